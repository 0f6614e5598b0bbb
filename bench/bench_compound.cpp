// Saving a 200 MB stream as a compound document next to a plain write of the same bytes to the
// same folder, neither synced to disk. The document adds the FAT, the directory and a rename; it
// should take at most 1.5 times as long.
//
//   bench_compound [folder]      (default: the current folder)
#include "spreadsheet/compounddocument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t StreamSize = 200u << 20;
constexpr int Rounds = 3;

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

bool writePlain(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(fd, bytes.data() + done, std::min<size_t>(bytes.size() - done, 8u << 20));
        if (written <= 0)
            break;
        done += size_t(written);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

bool writeDocument(const std::string& path, const std::vector<uint8_t>& bytes)
{
    xls::CompoundDocument document;
    return document.createDocument(path) &&
           document.createStream(u"Workbook") == xls::CompoundDocument::Success &&
           document.writeStream(u"Workbook", bytes.data(), bytes.size()) == xls::CompoundDocument::Success;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::string plainPath = folder + "/bench_compound_plain.bin";
    const std::string documentPath = folder + "/bench_compound.xls";

    std::vector<uint8_t> bytes(StreamSize);
    uint64_t state = 88172645463325252ull;
    for (uint8_t& byte : bytes) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        byte = static_cast<uint8_t>(state);
    }
    const double peakBefore = peakMegabytes();

    // Best of a few rounds, alternating, each into a file that does not exist yet.
    double plainBest = 1e9, documentBest = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        ::unlink(plainPath.c_str());
        auto start = std::chrono::steady_clock::now();
        if (!writePlain(plainPath, bytes)) {
            std::fprintf(stderr, "plain write to %s failed\n", plainPath.c_str());
            return 1;
        }
        plainBest = std::min(plainBest, seconds(start));
        ::unlink(plainPath.c_str());

        ::unlink(documentPath.c_str());
        start = std::chrono::steady_clock::now();
        if (!writeDocument(documentPath, bytes)) {
            std::fprintf(stderr, "document write to %s failed\n", documentPath.c_str());
            return 1;
        }
        documentBest = std::min(documentBest, seconds(start));
        ::unlink(documentPath.c_str());
    }

    const double megabytes = StreamSize / double(1 << 20);
    std::printf("stream of %.0f MB, best of %d rounds, into %s\n", megabytes, Rounds, folder.c_str());
    std::printf("plain write:        %8.1f MB/s  (%.3f s)\n", megabytes / plainBest, plainBest);
    std::printf("compound document:  %8.1f MB/s  (%.3f s)\n", megabytes / documentBest, documentBest);
    std::printf("ratio document/plain time: %.2f (target at most 1.50)\n", documentBest / plainBest);
    std::printf("peak memory: %.1f MB, of which %.1f MB the stream's bytes; the document added %.1f MB\n",
                peakMegabytes(), megabytes, peakMegabytes() - peakBefore);
    return 0;
}
