// How the process keeps the memory it frees.
#pragma once

namespace pelorin {

// Keeps freed memory of up to 32 MB a block in the process for the next
// allocation, instead of handing each block back to the system. A batch
// allocates and frees the buffers of one large picture after another (a
// 2048 x 2048 picture's float copy is 16 MB); by default the C library maps
// each such block afresh and the system zeroes every page of it on first
// touch, which took more processor time than the work on the picture
// (about 95 of 150 ms a picture of 2048^2, most of it in the system). The
// process keeps its largest footprint instead. Affects the whole process;
// nothing where the C library has no such settings.
void KeepFreedMemoryForReuse();

}  // namespace pelorin
