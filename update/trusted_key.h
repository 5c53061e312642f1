#pragma once
// The keys whose signatures this build's programs accept for updates: the public key built in at
// configuration (KESTRIN_UPDATE_KEY: the test key for development builds, the release key for the
// release). Portable.

#include <span>

#include "update/p256.h"

std::span<const P256PublicKey> TrustedUpdateKeys();
