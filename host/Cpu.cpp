#include "host/Cpu.h"

#include <cstring>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace tv {

bool ProcessorHasLongMode() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return false;
    char vendor[13];
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    vendor[12] = 0;
    std::string id(vendor);
    if (id != "GenuineIntel" && id != "AuthenticAMD") return false;
    // The declared type differs between compilers: compared as unsigned.
    if (static_cast<unsigned>(__get_cpuid_max(0x80000000, nullptr)) < 0x80000001u) return false;
    __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx);
    return (edx >> 29) & 1; // long mode
#else
    return false; // no CPUID on this processor family
#endif
}

} // namespace tv
