#pragma once
// Turns the detection and removal sensitivities of the settings into the
// engine's thresholds.

#include "engine/ClickEngine.h"
#include "settings/Settings.h"

// The detection thresholds: track values rdCLV[rdCL] and rdCTV[rdCT].
Thresholds SetDetectThresholds(const Settings &settings);
// The removal thresholds: track values rdWLV[rdWL] and rdWTV[rdWT].
Thresholds SetRemoveThresholds(const Settings &settings);

int32_t LevelThresholdFor(int32_t levelTrackValue);
int32_t LevelFactorFor(int32_t levelTrackValue);
int32_t ClickSpanFor(int32_t timeTrackValue);
