// Writes a synthetic album for the benchmarks or for trying the programs on
// a large tree.
//
//   make_album ROOT FOLDERS PICTURES
//
// ROOT gets FOLDERS folders of PICTURES tiny JPEG pictures each.
#include <cstdio>
#include <cstdlib>

#include "bench/bench_support.h"

int main(int argc, char** argv)
{
    if (argc != 4 || std::atoi(argv[2]) < 1 || std::atoi(argv[3]) < 0) {
        std::fprintf(stderr, "usage: %s ROOT FOLDERS PICTURES\n", argv[0]);
        return 2;
    }
    const int files = quorvane::bench::writeSyntheticAlbum(argv[1], std::atoi(argv[2]), std::atoi(argv[3]));
    std::printf("%d pictures written below %s\n", files, argv[1]);
    return 0;
}
