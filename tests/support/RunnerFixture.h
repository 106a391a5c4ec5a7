#pragma once
// A BatchRunner over a recording window with the default settings, working in
// a temporary folder (folder ends in the separator).

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class RunnerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + "/";
    }

    Settings settings = Settings::Defaults();
    RecordingPort port;
    BatchRunner runner{settings, port};
    QTemporaryDir dir;
    QString folder;
};
