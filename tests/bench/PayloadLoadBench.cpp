// ulvara_payload_bench STREAM [runs] [load|bare]
// Times the payload load (inflate + walk) against zlib's bare inflate of the same stream into a buffer of
// the known size, the fastest that inflating can be. With a mode, does that once and prints the peak
// memory of the process, so that peaks are measured in separate processes.
#include "PeakMemory.h"
#include "engine/AttachFiles.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadStream(const char* path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
        std::fclose(f);
    }
    return bytes;
}

size_t LoadOnce(const std::vector<std::uint8_t>& stream) {
    ulv::TPayloadFault fault;
    auto files = ulv::TAttachedFiles::FromStream(stream, fault);
    if (!files) {
        std::fprintf(stderr, "load failed: %s\n", ulv::PayloadFaultName(fault));
        std::exit(1);
    }
    return files->Entries.size();
}

// zlib's one-call inflate into a fresh buffer of the exact size, known beforehand.
void BareOnce(const std::vector<std::uint8_t>& stream, size_t inflated) {
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[inflated]);
    uLongf length = static_cast<uLongf>(inflated);
    if (uncompress(out.get(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK)
        std::exit(1);
}

// The inflated length, found through a small window so that it adds nothing to the peak.
size_t InflatedSize(const std::vector<std::uint8_t>& stream) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) std::exit(1);
    std::uint8_t window[65536];
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = window;
        z.avail_out = sizeof window;
        rc = inflate(&z, Z_NO_FLUSH);
    }
    size_t size = z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END) std::exit(1);
    return size;
}

template <typename F> double MedianMs(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ulvara_payload_bench STREAM [runs] [load|bare]\n");
        return 2;
    }
    std::vector<std::uint8_t> stream = ReadStream(argv[1]);
    if (stream.empty()) return 1;
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const size_t inflated = InflatedSize(stream);
    const std::uint64_t baseline = PeakProcessMemory();

    if (argc > 3) {
        if (!std::strcmp(argv[3], "load")) {
            LoadOnce(stream);
        } else {
            BareOnce(stream, inflated);
        }
        const std::uint64_t peak = PeakProcessMemory();
        std::printf("peak memory, %s: +%.1f MB over the %.1f MB of the process holding the stream\n", argv[3],
                    (peak - baseline) / 1e6, baseline / 1e6);
        return 0;
    }
    size_t entries = 0;
    double load = MedianMs(runs, [&] { entries = LoadOnce(stream); });
    double bare = MedianMs(runs, [&] { BareOnce(stream, inflated); });
    std::printf("payload: %zu bytes compressed, %zu inflated, %zu entries; %d runs, median\n", stream.size(),
                inflated, entries, runs);
    std::printf("load (inflate + walk): %.2f ms\n", load);
    std::printf("bare zlib inflate:     %.2f ms\n", bare);
    std::printf("ratio load/bare: %.2f\n", load / bare);
    return 0;
}
