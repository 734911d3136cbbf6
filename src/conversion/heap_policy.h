// How the process's heap treats the large blocks every conversion allocates (file texts, tables,
// point buffers, encoded drawings). Programs that convert meshes call this once at start, before
// they start any thread.
#pragma once

namespace sheetwright::conversion {

// Keeps freed memory in the heap for the next mesh instead of handing large blocks back to the
// kernel. By default the C library maps each large block fresh from the kernel and unmaps it when
// it is freed, so every mesh of a batch faults in and zeroes all of its memory page by page again;
// on a 16 MB mesh that costs about as much as parsing it. The price: the process keeps the memory
// of its largest mesh until it ends. Returns false when the C library refused the settings (or is
// not the GNU one); conversions work the same either way, only slower.
bool KeepFreedMemoryForReuse();

}  // namespace sheetwright::conversion
