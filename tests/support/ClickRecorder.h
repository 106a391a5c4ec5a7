#pragma once
// A ClickReporter for engine tests: keeps every reported click in order.

#include "engine/ClickEngine.h"

#include <cstdint>
#include <vector>

struct Report {
    int32_t id, index, value, width;
    bool operator==(const Report &) const = default;
};

struct RecordingReporter : ClickReporter {
    std::vector<Report> reports;
    void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) override {
        reports.push_back({id, index, value, width});
    }
};
