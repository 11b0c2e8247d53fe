#pragma once
// Shared by the fuzzing harnesses of the readers of untrusted bytes.
#include "host/devicecontext.h"
#include "host/streams.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

// The input as a memory stream standing at its start.
TMemoryStream FuzzStream(const uint8_t* Data, size_t Size);
QByteArray FuzzBytes(const uint8_t* Data, size_t Size);
// The input as UTF-16 text, two bytes a character (an odd last byte is dropped).
QString FuzzText(const uint8_t* Data, size_t Size);
// A small raster page to draw on, like a preview's page bitmap.
std::unique_ptr<DeviceContext> FuzzPage();
