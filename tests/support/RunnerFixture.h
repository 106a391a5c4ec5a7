#pragma once
// A BatchRunner over a recording window with the default settings, working in
// a temporary folder (folder ends in the separator).

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"
#include "support/RunnerProbe.h"

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
