// Every window as a screen reader and a keyboard-only user meet it: each
// control they can reach has a name, Tab walks the controls in the order
// they are seen, every menu item and button has a key of its own, and the
// click list copies with Ctrl+C what its double click copies.

#include "TForm1Fixture.h"
#include "main/TAboutBox.h"
#include "main/TForm3.h"
#include "wavewindow/TForm2.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <set>

namespace {

// What a person can reach with the keyboard: shown, enabled, taking the
// focus by Tab, in this window (not in a dialog of its own).
bool Reachable(const QWidget *window, const QWidget *w) {
    return w->window() == window && w->isVisibleTo(window) && w->isEnabled() &&
           (w->focusPolicy() & Qt::TabFocus) != 0;
}

QString AccessibleText(QObject *object, QAccessible::Text text = QAccessible::Name) {
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(text) : QString();
}

// The reachable controls and menu items a screen reader has no name for.
QStringList Unnamed(QWidget *window) {
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (Reachable(window, w) && AccessibleText(w).trimmed().isEmpty())
            unnamed << w->objectName() + QLatin1Char(' ') + w->metaObject()->className();
    QList<QWidget *> menus;
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        menus << bar;
    for (QMenu *menu : window->findChildren<QMenu *>())
        menus << menu;
    for (QWidget *menu : menus) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(menu);
        for (int i = 0; face != nullptr && i < face->childCount(); ++i)
            if (face->child(i)->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << menu->objectName() + QStringLiteral(" item ") + QString::number(i);
    }
    return unnamed;
}

// The reachable controls in the order Tab visits them.
QList<QWidget *> FocusChain(QWidget *window) {
    QList<QWidget *> chain;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (Reachable(window, w))
            chain << w;
    return chain;
}

// Pairs of the chain out of visual order: within a column (the two overlap
// across) the upper comes first, within a row (they overlap up and down)
// the left one. Controls that share neither may come in either order, so
// a two-column form may be read column by column.
QStringList OutOfVisualOrder(QWidget *window) {
    const QList<QWidget *> chain = FocusChain(window);
    const auto place = [window](QWidget *w) {
        return QRect(w->mapTo(window, QPoint()), w->size());
    };
    QStringList wrong;
    for (qsizetype i = 0; i < chain.size(); ++i)
        for (qsizetype j = i + 1; j < chain.size(); ++j) {
            const QRect first = place(chain[i]), later = place(chain[j]);
            const bool acrossOverlap =
                first.left() <= later.right() && later.left() <= first.right();
            const bool upDownOverlap =
                first.top() <= later.bottom() && later.top() <= first.bottom();
            const bool laterIsAbove = acrossOverlap && later.bottom() < first.top();
            const bool laterIsLeft = upDownOverlap && later.right() < first.left();
            if (laterIsAbove || laterIsLeft)
                wrong << chain[i]->objectName() + QStringLiteral(" before ") +
                             chain[j]->objectName();
        }
    return wrong;
}

// The key of each menu item and push button shown together that has none, or
// shares it with another: one scope per window (its menu bar and buttons,
// all reached with Alt) and one per menu.
QStringList KeyFaults(QWidget *window) {
    QStringList faults;
    const auto check = [&faults](const QList<std::pair<QString, QKeySequence>> &scope) {
        std::set<QString> seen;
        for (const auto &[name, key] : scope)
            if (key.isEmpty())
                faults << name + QStringLiteral(" has no key");
            else if (!seen.insert(key.toString()).second)
                faults << name + QStringLiteral(" shares ") + key.toString();
    };
    const auto keyOf = [](const QAction *action) {
        return action->shortcut().isEmpty() ? QKeySequence::mnemonic(action->text())
                                            : action->shortcut();
    };
    QList<std::pair<QString, QKeySequence>> windowScope;
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        for (QAction *item : bar->actions())
            if (item->isVisible())
                windowScope.append({item->text(), keyOf(item)});
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->window() == window && button->isVisibleTo(window))
            windowScope.append({button->objectName(), button->isDefault()
                                                          ? QKeySequence(Qt::Key_Return)
                                                          : button->shortcut()});
    check(windowScope);
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        QList<std::pair<QString, QKeySequence>> menuScope;
        for (QAction *item : menu->actions())
            if (item->isVisible() && !item->isSeparator())
                menuScope.append({item->text(), keyOf(item)});
        check(menuScope);
    }
    return faults;
}

class KeyboardAccessTest : public TForm1Fixture {
protected:
    void TearDown() override {
        wave.reset();
        TForm1Fixture::TearDown();
    }
    // take.wav with clicks at frames 2000 (left) and 6000 (right), value 20000.
    void StartWithClicks() {
        WriteBytes(QStringLiteral("take.wav"),
                   testwav::MakeWav(SineWithSpikes(10000, {4000, 12001})));
        StartIn();
        wave = std::make_unique<TForm2>(*form);
        form->waveWindow = wave.get();
        form->show();
    }
    void Run(QPushButton *button) {
        Select({"take.wav"});
        button->click();
        form->StringGrid1->setCurrentCell(0, 1);
    }
    QString PictureDescription() const {
        return AccessibleText(wave->Image1, QAccessible::Description);
    }
    std::unique_ptr<TForm2> wave;
};

// Each window in each of its states: every reachable control named, Tab in
// visual order, every menu item and button with a key of its own.
void CheckWindow(QWidget *window, const char *state) {
    SCOPED_TRACE(state);
    EXPECT_EQ(Unnamed(window), QStringList());
    EXPECT_EQ(OutOfVisualOrder(window), QStringList());
    EXPECT_EQ(KeyFaults(window), QStringList());
}

TEST_F(KeyboardAccessTest, EveryWindowIsNamedOrderedAndKeyed) {
    StartWithClicks();
    Run(form->cdCheck);
    CheckWindow(form.get(), "main window after a detection run");
    EXPECT_GE(FocusChain(form.get()).size(), 13); // cdStop is off between runs
    form->cdView->click();
    CheckWindow(wave.get(), "wave window after a detection run");
    wave->Exit1->trigger();
    Run(form->cdDel);
    CheckWindow(form.get(), "main window after a removal run");
    form->cdView->click();
    CheckWindow(wave.get(), "wave window after a removal run");
    wave->Exit1->trigger();
    Select({"take.wav"});
    form->WaveFormW1->trigger();
    CheckWindow(wave.get(), "wave window in file mode");

    Settings settings = Settings::Defaults();
    TForm3 dialog(settings, nullptr);
    dialog.show();
    dialog.ckSameDir->setChecked(false); // edOutDir can be reached
    CheckWindow(&dialog, "settings dialog");
    // Column by column in the sensitivity area: each "Default Set" opens its column.
    const QList<QWidget *> chain = FocusChain(&dialog);
    EXPECT_GE(chain.size(), 25);
    EXPECT_EQ(chain.indexOf(dialog.cdDefaultW), chain.indexOf(dialog.tbCT) + 1);
    TAboutBox about;
    about.show();
    CheckWindow(&about, "version box");

    // The order check itself: a row built right to left is caught.
    QWidget reversed;
    for (const char *name : {"right", "left"}) {
        auto *edit = new QLineEdit(&reversed);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(name[0] == 'r' ? 100 : 0, 0, 50, 20);
    }
    EXPECT_EQ(OutOfVisualOrder(&reversed), QStringList{QStringLiteral("right before left")});
}

TEST_F(KeyboardAccessTest, NamesSayWhatIsShownAndTellLikeControlsApart) {
    StartWithClicks();
    Run(form->cdCheck);
    EXPECT_EQ(AccessibleText(form->edNum), form->lbCHECK->text());
    Run(form->cdDel); // the click count is named by the label on show
    EXPECT_EQ(AccessibleText(form->edNum), form->lbDEL->text());

    // The picture, reached by a screen reader's review, tells the click it shows.
    form->cdView->click();
    EXPECT_FALSE(AccessibleText(wave->Image1).isEmpty());
    const QString first = PictureDescription();
    EXPECT_TRUE(first.contains(QStringLiteral("2000")) && first.contains('L'))
        << first.toStdString();
    wave->NextN1->trigger();
    const QString second = PictureDescription();
    EXPECT_TRUE(second.contains(QStringLiteral("6000")) && second.contains('R'))
        << second.toStdString();
    wave->Exit1->trigger();
    Select({"take.wav"});
    form->WaveFormW1->trigger(); // file mode: no click shown
    EXPECT_FALSE(PictureDescription().contains(QStringLiteral("6000")));
    EXPECT_FALSE(PictureDescription().isEmpty());

    // The settings dialog's two columns are told apart.
    Settings settings = Settings::Defaults();
    TForm3 dialog(settings, nullptr);
    EXPECT_NE(AccessibleText(dialog.tbCL), AccessibleText(dialog.tbWL));
    EXPECT_NE(AccessibleText(dialog.gbCT), AccessibleText(dialog.gbWT));
    EXPECT_NE(AccessibleText(dialog.cdDefaultC, QAccessible::Description),
              AccessibleText(dialog.cdDefaultW, QAccessible::Description));
}

TEST_F(KeyboardAccessTest, CtrlCCopiesTheSelectedClicksPositionAsADoubleClickDoes) {
    StartWithClicks();
    Run(form->cdCheck);
    form->cdView->click();
    QTableWidget *list = wave->StringGrid1;
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    list->setCurrentCell(1, 1);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("6000"));
    EXPECT_EQ(wave->noisePosition, 2000); // copying shows nothing new
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    wave->StringGrid1DblClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("6000"));
    // Tab leaves the list rather than walking its cells.
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->currentColumn(), 1);

    // An empty row (file mode) leaves the clipboard alone.
    wave->Exit1->trigger();
    Select({"take.wav"});
    form->WaveFormW1->trigger();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

} // namespace
