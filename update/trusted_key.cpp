#include "update/trusted_key.h"

#include "update/signed_file.h"

#ifndef KESTRIN_UPDATE_KEY_HEX
#error "KESTRIN_UPDATE_KEY_HEX: the build names the update key (update/CMakeLists.txt)"
#endif

std::span<const P256PublicKey> TrustedUpdateKeys() {
    // Checked when the build is configured, so the key is well-formed here; an empty list (no key)
    // would make every update refused, which is the safe way to be wrong.
    static const std::optional<P256PublicKey> builtIn = PublicKeyFromHex(KESTRIN_UPDATE_KEY_HEX);
    if (!builtIn) return {};
    return {&*builtIn, 1};
}
