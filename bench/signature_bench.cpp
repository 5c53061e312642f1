// What signed updates add: the check verifies the version file (a few hundred bytes) against its
// signature; the updater hashes the downloaded program and verifies its signature. Natively over
// libcrypto; the Windows programs do the same over CNG.
#include <benchmark/benchmark.h>

#include <string>

#include "update/signed_file.h"

namespace {

struct Signed {
    P256PrivateKey key;
    std::string bytes;
    std::string signature;
};

Signed Make(size_t size) {
    Signed s{P256Generate().value(), std::string(size, 'x'), {}};
    s.signature = SignBytes(s.key, "file", {reinterpret_cast<const uint8_t*>(s.bytes.data()), size}).value();
    return s;
}

void Check(benchmark::State& state, const Signed& s) {
    for (auto _ : state) {
        SignatureCheck check = CheckSignedBytes(s.signature, "file", s.bytes, {&s.key.publicKey, 1});
        if (check != SignatureCheck::kGood) state.SkipWithError("the signature did not verify");
        benchmark::DoNotOptimize(check);
    }
}

}  // namespace

static void signature_check_version_file(benchmark::State& state) {
    static const Signed s = Make(512);
    Check(state, s);
    state.SetLabel("ms");
}
BENCHMARK(signature_check_version_file);

static void signature_check_program_16mb(benchmark::State& state) {
    static const Signed s = Make(16 << 20);
    Check(state, s);
    state.SetLabel("ms");
}
BENCHMARK(signature_check_program_16mb);
