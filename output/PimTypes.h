#pragma once
#include <cstdint>

// The header in front of a placeable metafile, 22 bytes packed in the file. It is kept as plain fields
// and written or read field by field, never by copying the struct's memory.
struct TPimPlaceMetaHeader {
    uint32_t Key = 0;
    int16_t Hmf = 0;
    struct {
        int16_t Left = 0;
        int16_t Top = 0;
        int16_t Right = 0;
        int16_t Bottom = 0;
    } BBox;
    uint16_t Inch = 0;
    uint32_t Reserved = 0;
    uint16_t CheckSum = 0;
};

inline constexpr int PimPlaceMetaHeaderSize = 22;
inline constexpr uint32_t PimPlaceHeadKey = 0x9AC6CDD7u;
