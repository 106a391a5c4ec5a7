// The windows in each language: every caption fits its control, the keys of
// the items shown together are distinct, and in English no Japanese is left.
// The other widget tests run in Japanese, the language the texts are written in.

#include "TForm1Fixture.h"

#include "language/ProgramLanguage.h"
#include "main/StartPlace.h"
#include "main/TAboutBox.h"
#include "main/TForm3.h"
#include "wavewindow/TForm2.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <array>

namespace {

bool HasJapanese(const QString &text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) ||
            (u >= 0xff00 && u <= 0xffef))
            return true;
    }
    return false;
}

QString Plain(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

// The width a control's caption needs: its text in the control's font, and
// what the style draws beside it (a check box's box, a button's margins).
int NeededWidth(QWidget *w) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return fm.horizontalAdvance(group->title()) + 2 * fm.averageCharWidth();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->pixmap().isNull() ? fm.horizontalAdvance(label->text()) : 0;
    auto *button = qobject_cast<QAbstractButton *>(w);
    if (!button)
        return 0;
    const int text = fm.horizontalAdvance(Plain(button->text()));
    QStyle *style = w->style();
    if (qobject_cast<QCheckBox *>(w))
        return text + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    if (qobject_cast<QRadioButton *>(w))
        return text + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    return text + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
}

// What a window shows in writing: captions, titles, menu items.
QStringList Texts(QWidget *window) {
    QStringList texts{window->windowTitle()};
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            texts << group->title();
        for (QAction *action : w->actions())
            texts << action->text();
    }
    return texts;
}

QChar Mnemonic(const QString &caption) {
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toLower() : QChar();
}

// Each group of items shown together (a window's buttons with its menu bar,
// each menu's items) and the keys among them that are taken twice.
QStringList SharedKeys(QWidget *window) {
    QStringList shared;
    const auto check = [&](const QStringList &captions, const QString &where) {
        QString seen;
        for (const QString &caption : captions) {
            const QChar key = Mnemonic(caption);
            if (key.isNull())
                continue;
            if (seen.contains(key))
                shared << where + QStringLiteral(": ") + key;
            seen += key;
        }
    };
    QStringList windowCaptions;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (button->isVisibleTo(window))
            windowCaptions << button->text();
    for (QMenuBar *bar : window->findChildren<QMenuBar *>()) {
        for (QAction *action : bar->actions()) {
            if (!action->isVisible())
                continue;
            windowCaptions << action->text();
            if (QMenu *menu = action->menu()) {
                QStringList items;
                for (QAction *item : menu->actions())
                    items << item->text();
                check(items, Plain(action->text()));
            }
        }
    }
    check(windowCaptions, window->objectName());
    return shared;
}

// Captions wider than their control, labels that leave their window, and
// menu bars whose items do not all fit.
QStringList CutOff(QWidget *window) {
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        // The program's controls are named; the toolkit's parts of them are not.
        if (name.isEmpty())
            continue;
        if (NeededWidth(w) > w->contentsRect().width())
            cut << name + QStringLiteral(" is too narrow for its caption");
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        if (qobject_cast<QLabel *>(w) && !window->rect().contains(inWindow))
            cut << name + QStringLiteral(" leaves the window");
        if (auto *bar = qobject_cast<QMenuBar *>(w); bar && bar->sizeHint().width() > window->width())
            cut << name + QStringLiteral(" has more items than room");
    }
    // A label sized to its text must not run into a control beside it (one
    // above or below may touch its line's spacing).
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty())
            continue;
        for (QObject *o : label->parentWidget()->children()) {
            auto *other = qobject_cast<QWidget *>(o);
            // Bare frames are bevels drawn under labels.
            if (!other || other == label || !other->isVisibleTo(window) ||
                QByteArray(other->metaObject()->className()) == "QFrame")
                continue;
            if (const QRect both = label->geometry() & other->geometry();
                !both.isEmpty() && 2 * both.height() > label->height())
                cut << label->objectName() + QStringLiteral(" runs into ") + other->objectName();
        }
    }
    return cut;
}

// The four windows, built in one language.
class WindowsFixture : public TForm1Fixture {
protected:
    void Build(const QString &language) {
        ASSERT_TRUE(UseLanguage(language));
        StartIn();
        wave = std::make_unique<TForm2>(*form);
        settingsDialog = std::make_unique<TForm3>(form->settings, form->edOutFile);
        about = std::make_unique<TAboutBox>();
    }
    void TearDown() override {
        about.reset();
        settingsDialog.reset();
        wave.reset();
        TForm1Fixture::TearDown();
        UseLanguage(kJapanese);
    }
    std::vector<QWidget *> Windows() {
        return {form.get(), wave.get(), settingsDialog.get(), about.get()};
    }

    std::unique_ptr<TForm2> wave;
    std::unique_ptr<TForm3> settingsDialog;
    std::unique_ptr<TAboutBox> about;
};

class LanguageTest : public WindowsFixture,
                     public ::testing::WithParamInterface<QString> {
protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        Build(GetParam());
    }
};

TEST_P(LanguageTest, EveryCaptionFitsItsControl) {
    for (QWidget *window : Windows()) {
        window->show();
        EXPECT_EQ(CutOff(window), QStringList()) << window->objectName().toStdString();
    }
}

TEST_P(LanguageTest, ItemsShownTogetherHaveDistinctKeys) {
    for (QWidget *window : Windows())
        EXPECT_EQ(SharedKeys(window), QStringList()) << window->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageTest,
                         ::testing::ValuesIn(AvailableLanguages()),
                         [](const auto &info) { return info.param.toStdString(); });

// One smoke test per window: built in English, it shows no Japanese.
class EnglishWindowTest : public WindowsFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        Build(kEnglish);
    }
};

TEST_P(EnglishWindowTest, ShowsNoJapanese) {
    QWidget *window = Windows()[size_t(GetParam())];
    QStringList japanese;
    for (const QString &text : Texts(window))
        if (HasJapanese(text))
            japanese << text;
    EXPECT_EQ(japanese, QStringList()) << window->objectName().toStdString();
}

constexpr std::array<const char *, 4> kWindowNames{"Main", "Wave", "Settings", "About"};
INSTANTIATE_TEST_SUITE_P(Windows, EnglishWindowTest, ::testing::Range(0, 4),
                         [](const auto &info) { return kWindowNames[size_t(info.param)]; });

// The runs' messages come from the core, in the window's language.
TEST_F(WindowsFixture, RunMessagesAreInTheWindowsLanguage) {
    Build(kEnglish);
    form->cdCheck->click();
    EXPECT_EQ(messages, QStringList{QStringLiteral("No file is selected.")});
}

TEST(ProgramLanguageTest, FollowsTheLocaleJapaneseForJapaneseAndC) {
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"ja-JP", "ja"}, kJapanese},
        {{"ja"}, kJapanese},
        {{"C"}, kJapanese},
        {{"C.UTF-8"}, kJapanese},
        {{"POSIX"}, kJapanese},
        {{}, kJapanese},
        {{"en-US", "en"}, kEnglish},
        {{"de-DE", "ja-JP"}, kEnglish},
        {{"en_GB.UTF-8"}, kEnglish},
        {{"jv-ID"}, kEnglish}, // Javanese is not Japanese
    };
    for (const auto &[languages, expected] : cases)
        EXPECT_EQ(LanguageForLocale(languages), expected) << languages.join(',').toStdString();
}

TEST(ProgramLanguageTest, EnglishIsCompiledIn) {
    EXPECT_EQ(AvailableLanguages(), (QStringList{kEnglish, kJapanese}));
    EXPECT_FALSE(UseLanguage(QStringLiteral("xx")));
    EXPECT_EQ(QCoreApplication::translate("Messages", "終了しました。"),
              QStringLiteral("終了しました。"));
}

TEST(ProgramLanguageTest, StartArgumentsChooseTheLanguage) {
    const auto parse = [](const QStringList &args) {
        return ParseStartArguments(args, QStringLiteral("/"), [](const QString &) { return true; });
    };
    EXPECT_EQ(parse({"--language", "en"}).language, QStringLiteral("en"));
    EXPECT_EQ(parse({"--language=ja", "/music"}).language, QStringLiteral("ja"));
    EXPECT_EQ(parse({"--language=ja", "/music"}).folder, QStringLiteral("/music"));
    EXPECT_EQ(parse({"/music"}).language, QString());
    for (const QStringList &bad : {QStringList{"--language"}, QStringList{"--language", "fr"},
                                   QStringList{"--language=", "/music"}}) {
        const StartRequest r = parse(bad);
        EXPECT_EQ(r.kind, StartRequest::Kind::UsageError) << bad.join(' ').toStdString();
        EXPECT_EQ(r.error, QStringLiteral("--language"));
    }
    // After "--" it is a file's name.
    EXPECT_EQ(parse({"--", "--language"}).kind, StartRequest::Kind::Start);
}

} // namespace
