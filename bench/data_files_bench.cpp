// Decryption rate of the program's encrypted data files (the database is read this way at start-up).
#include "foundation/data_key.h"
#include "foundation/decryption.h"
#include "foundation/encryption.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace
{

namespace fs = std::filesystem;

/// An encrypted file of `plainBytes` random bytes in a scratch folder removed at the end.
class EncryptedFixture
{
  public:
    explicit EncryptedFixture(std::size_t plainBytes)
        : folder_(fs::temp_directory_path() / ("oxl-bench-enc-" + std::to_string(std::random_device{}())))
    {
        fs::create_directories(folder_);
        std::mt19937 random(42);
        std::string bytes(plainBytes, '\0');
        for (char& c : bytes)
        {
            c = static_cast<char>('A' + random() % 26);
        }
        std::ofstream(folder_ / "plain.xml", std::ios::binary) << bytes;
        oxl::gf_encryptStream(oxl::kDataFileKey, folder_ / "plain.xml", encrypted());
    }
    ~EncryptedFixture()
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path encrypted() const { return folder_ / "data.enc"; }
    fs::path output() const { return folder_ / "out.xml"; }

  private:
    fs::path folder_;
};

void BM_DecryptDataFile(benchmark::State& state)
{
    const auto plainBytes = static_cast<std::size_t>(state.range(0));
    const EncryptedFixture fixture(plainBytes);
    for (auto _ : state)
    {
        oxl::gf_decryptStream(oxl::kDataFileKey, fixture.encrypted(), fixture.output());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plainBytes));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecryptDataFile)->Arg(64 * 1024)->Arg(5 * 1024 * 1024)->Unit(benchmark::kMillisecond);

} // namespace
