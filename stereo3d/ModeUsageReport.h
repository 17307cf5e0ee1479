#pragma once
// Reports the usage of a screen mode that has ended ("use_mode_type") to the usage
// reporting of the backend. Any thread.

#include <cstdint>
#include <functional>

void reportModeUsage(int64_t mode, double startedAt);

// Tests: sees every report instead of the backend (null: back to the backend).
void setModeUsageReportHandler(std::function<void(int64_t mode, double startedAt)> handler);
