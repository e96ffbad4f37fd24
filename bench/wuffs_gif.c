/* Wuffs' GIF decoder, built for the benchmark's peer only (see
 * CMakeLists.txt): the implementation of the modules a GIF decode needs. */
#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__GIF
#define WUFFS_CONFIG__MODULE__LZW
#include "wuffs-v0.3.c"
