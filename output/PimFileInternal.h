#pragma once
// What the sources of the document share. Only the document's own sources include this header.

#include "host/streams.h"

namespace PimFileInternal {

extern const char* const SNotPimFile;

// The whole of a stream from its start, with its size in front.
void WriteWholeStream(TStream& Target, TStream& S);

} // namespace PimFileInternal
