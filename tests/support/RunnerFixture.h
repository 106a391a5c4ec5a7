#pragma once
// A BatchRunner over a recording window with the default settings, working in
// a temporary folder (folder ends in the separator).

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"
#include "support/RunnerProbe.h"
#include "support/TestWav.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class RunnerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + "/";
        inputFolder = folder;
    }
    // A run over the recording window's selection in inputFolder, as the
    // main window's buttons start one.
    void Detect() { runner.Run(port.RequestFor(RunRequest::Kind::Detect, inputFolder)); }
    void Remove() { runner.Run(port.RequestFor(RunRequest::Kind::Remove, inputFolder)); }

    Settings settings = Settings::Defaults();
    RecordingPort port;
    StopRequest stop;
    BatchRunner runner{settings, port, stop};
    RunnerProbe run{runner};
    QTemporaryDir dir;
    QString folder;
    QString inputFolder; // the folder the window lists
};

// One pass at a time over a file in the folder: the pass's run state set as a
// removal run sets it, no overwrite question, the output out.wav.
class PassFixture : public RunnerFixture {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        settings.ckOverW = false;
        run.request().inputFolder = folder;
        run.last().outputFolder = folder;
        run.last().logFolder = folder;
    }
    // Writes name into the folder and makes it the pass's input, output out.wav.
    void UseInput(const QString &name, const std::string &bytes,
                  const QString &output = QStringLiteral("out.wav")) {
        testwav::WriteFile((folder + name).toStdString(), bytes);
        run.file().inputName = name;
        run.file().inputPath = folder + name;
        run.file().outputPath = folder + output;
    }
    std::string Output() { return testwav::ReadFile(run.file().outputPath.toStdString()); }
};
