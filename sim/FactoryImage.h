#pragma once

#include <cstddef>

// The telemetry radio's factory configuration memory, compiled in from the
// factory programming file.
extern const unsigned char kFactoryTelemetryImage[];
extern const std::size_t kFactoryTelemetryImageSize;
