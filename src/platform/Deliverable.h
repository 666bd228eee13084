#pragma once

// Which of the two programs a shared object is working for. Behaviour that
// differs between ql4100 (telemetry, data and repeater radios) and ql4100p
// (PMR voice radios) is chosen from this value at run time.
enum class Deliverable { Telemetry, Pmr };
