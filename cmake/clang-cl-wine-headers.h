/* Forced into every source by cmake/clang-cl-i686.cmake, never part of the
   program. Wine's winnt.h gives 32-bit code its own inline versions of
   these 64-bit and pointer interlocked calls, under names that clang-cl
   keeps for its built-ins in MSVC mode; renamed, Wine's versions compile. */
#define _InterlockedAnd64 WineInterlockedAnd64
#define _InterlockedCompareExchangePointer WineInterlockedCompareExchangePointer
#define _InterlockedExchangeAdd64 WineInterlockedExchangeAdd64
#define _InterlockedExchangePointer WineInterlockedExchangePointer
#define _InterlockedIncrement64 WineInterlockedIncrement64
#define _InterlockedDecrement64 WineInterlockedDecrement64
#define _InterlockedOr64 WineInterlockedOr64
#define _InterlockedXor64 WineInterlockedXor64
