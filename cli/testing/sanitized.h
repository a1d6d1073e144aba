// Test support: whether this build runs under AddressSanitizer, whose shadow
// memory no address-space limit can hold and whose allocator reports an
// exhausted heap itself instead of failing the allocation.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define QUORVAFIX_ADDRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVAFIX_ADDRESS_SANITIZED 1
#endif
#endif

#ifdef QUORVAFIX_ADDRESS_SANITIZED
constexpr bool ADDRESS_SANITIZED = true;
#else
constexpr bool ADDRESS_SANITIZED = false;
#endif
