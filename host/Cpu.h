// What the processor can do, asked of the processor itself (CPUID), not of the system.
#pragma once

namespace tv {

// True for an Intel or AMD processor with 64-bit long mode; false for anything else.
bool ProcessorHasLongMode();

} // namespace tv
