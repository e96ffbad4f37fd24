#include "bench/ratio_table.h"

int main(int argc, char** argv) { return kestrel::bench::RunWithRatioTable(argc, argv); }
