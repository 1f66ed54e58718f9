#pragma once

// MORVANE_ASAN is defined when the test is built with AddressSanitizer,
// whose shadow memory and quarantine make address-space limits and memory
// peaks meaningless.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(MORVANE_ASAN)
#define MORVANE_ASAN 1
#endif
