// The compiler turns the zero-filling of local buffers into calls to memset.
// Without a C run-time the program supplies its own. The volatile store keeps
// the compiler from turning this loop back into a call to itself.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t size) {
    volatile unsigned char* p = static_cast<unsigned char*>(destination);
    while (size-- != 0) *p++ = static_cast<unsigned char>(value);
    return destination;
}
