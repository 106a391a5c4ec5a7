#pragma once
// A main window started in a temporary start folder, with its modal boxes
// scripted: every message is recorded, questions take queued answers, the save
// dialog returns a chosen path. The current directory is restored afterwards,
// since the window makes the folder it shows the current directory.

#include "main/TForm1.h"
#include "settings/Settings.h"
#include "support/QtPrinters.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

class TForm1Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        savedCurrent = QDir::currentPath();
        start = tmp.filePath(QStringLiteral("start"));
        data = tmp.filePath(QStringLiteral("data"));
        ASSERT_TRUE(QDir().mkpath(start));
        ASSERT_TRUE(QDir().mkpath(data));
    }
    void TearDown() override {
        form.reset();
        QDir::setCurrent(savedCurrent);
    }

    // Starts the window in start, whose settings file names data as the
    // folder to restore (with the settings given).
    void StartIn(const Settings &s = Settings::Defaults()) {
        ASSERT_TRUE(SaveSettings(start, s, QStringLiteral("/"), data));
        StartWithoutWritingSettings();
    }
    void StartWithoutWritingSettings() {
        ASSERT_TRUE(QDir::setCurrent(start));
        form = std::make_unique<TForm1>();
        form->msgScript = [this](const QString &text, bool yesNo) {
            messages << text;
            if (onMessage)
                onMessage(text);
            if (!yesNo)
                return MsgAnswer::Ok;
            if (answers.empty())
                return MsgAnswer::Yes;
            const MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        };
        form->saveScript = [this](const QString &title, const QString &filter,
                                  const QString &suffix) {
            saveTitles << title;
            saveFilters << filter + QLatin1Char(' ') + suffix;
            return saveAnswer;
        };
    }

    // Selects the named items of edFile the way a user's clicks would, the
    // focus ending on focus (the last name when empty).
    void Select(const QStringList &names, const QString &focus = {}) {
        QListWidget *list = form->edFile;
        list->clearSelection();
        for (const QString &name : names) {
            const auto found = list->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << name.toStdString();
            found.first()->setSelected(true);
        }
        const QString target = focus.isEmpty() && !names.isEmpty() ? names.last() : focus;
        if (!target.isEmpty()) {
            const auto found = list->findItems(target, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            list->setCurrentItem(found.first(), QItemSelectionModel::NoUpdate);
        }
    }

    // Re-reads data (after the test wrote files there).
    void Refresh() { ASSERT_TRUE(form->ShowFolder(data)); }

    QString DataPath(const QString &name) const { return QDir(data).filePath(name); }

    void WriteBytes(const QString &name, const std::string &bytes) {
        testwav::WriteFile(DataPath(name).toStdString(), bytes);
    }

    QByteArray ReadBytes(const QString &path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A log or export file as text lines (CP932, CR LF), without the final empty line.
    QStringList ReadCp932Lines(const QString &path) const {
        QStringDecoder decode("CP932");
        QString text = decode(ReadBytes(path));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    QTemporaryDir tmp;
    QString savedCurrent, start, data;
    std::unique_ptr<TForm1> form;
    QStringList messages;
    std::deque<MsgAnswer> answers;
    std::function<void(const QString &)> onMessage;
    QString saveAnswer;
    QStringList saveTitles;
    QStringList saveFilters; // each dialog's filter and default suffix
};

// A quiet stereo sine (no clicks) of frames frames, with single-value spikes
// at the given interleaved value indices.
inline std::vector<int16_t> SineWithSpikes(int frames, const std::vector<int> &spikeIndices = {}) {
    std::vector<int16_t> values(static_cast<size_t>(frames) * 2);
    for (int frame = 0; frame < frames; ++frame) {
        const auto v = static_cast<int16_t>(std::lround(2000.0 * std::sin(frame * 0.02)));
        values[size_t(frame) * 2] = v;
        values[size_t(frame) * 2 + 1] = v;
    }
    for (int index : spikeIndices)
        values[size_t(index)] = 20000;
    return values;
}
