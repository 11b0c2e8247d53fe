#pragma once
// What the sources of the document share. Only the document's own sources include this header.

#include "host/streams.h"

struct TPimFilePrinterInfo;

namespace PimFileInternal {

extern const char* const SNotPimFile;

// The whole of a stream from its start, with its size in front.
void WriteWholeStream(TStream& Target, TStream& S);

// A file carries its paper size as raw doubles: one that is not a number, negative or beyond any
// paper raises the read error of a damaged file (From's), before a page size is ever worked out
// from it.
void CheckPaperSize(const TPimFilePrinterInfo& Info, TStream& From);

} // namespace PimFileInternal
