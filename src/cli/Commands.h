#pragma once

#include "cli/Options.h"

class Console;
class InterruptWatch;

// Runs one ql41 command; returns its exit code (CliExit).
int RunCliCommand(const CliOptions& options, Console& console, InterruptWatch& interrupt);
