// Writes a file of the given size with reproducible bytes, for test and
// benchmark payloads:  vellox-test-data <file> <bytes> [seed]
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: vellox-test-data <file> <bytes> [seed]\n";
        return 1;
    }
    const std::uint64_t size = std::strtoull(argv[2], nullptr, 10);
    std::uint64_t state = (argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1) * 0x9E3779B97F4A7C15ull + 1;
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    std::vector<char> chunk(1 << 20);
    for (std::uint64_t done = 0; done < size && out;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - done));
        for (std::size_t i = 0; i < count; ++i) {
            state ^= state << 13;  // xorshift64
            state ^= state >> 7;
            state ^= state << 17;
            chunk[i] = static_cast<char>(state >> 56);
        }
        out.write(chunk.data(), static_cast<std::streamsize>(count));
        done += count;
    }
    if (!out) {
        std::cerr << "vellox-test-data: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
