#pragma once

#include <array>
#include <cstdint>

namespace quillet {

// The remote's whole memory as Quillet holds it: 513 pages of 266 bytes. Bytes 0 and 1
// of a page carry its page number (low byte first), bytes 2..265 are data.
class MemoryImage {
public:
    static constexpr int PageCount = 513;      // pages 0..512
    static constexpr int RemotePages = 512;    // pages 0..511 travel and are stored
    static constexpr int PageSize = 266;
    static constexpr int HeaderSize = 2;
    static constexpr int DataPerPage = PageSize - HeaderSize;   // 264
    static constexpr int TotalBytes = PageCount * PageSize;     // 136,458

    std::uint8_t *page(int p) { return bytes_.data() + p * PageSize; }
    const std::uint8_t *page(int p) const { return bytes_.data() + p * PageSize; }

    // Byte access; out-of-range positions read as 0 and ignore writes, so that no
    // caller can ever step outside the image.
    std::uint8_t at(int p, int b) const;
    void set(int p, int b, std::uint8_t value);

    std::uint8_t *data() { return bytes_.data(); }
    const std::uint8_t *data() const { return bytes_.data(); }

    void clear() { bytes_.fill(0); }

    static bool inRange(int p, int b) { return p >= 0 && p < PageCount && b >= 0 && b < PageSize; }

private:
    std::array<std::uint8_t, TotalBytes> bytes_{};
};

// Linear address over the data bytes: address A is page A / 264, byte A % 264 + 2.
struct ImageCursor {
    int page = 0;
    int byte = 2;

    void SetCursor(int address);
    void AdvanceCursor(int n);
};

// Page and byte of a linear address, without a cursor.
ImageCursor ImageAddress(int address);

}  // namespace quillet
