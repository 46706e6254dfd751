#include "core/MemoryImage.h"

namespace quillet {

std::uint8_t MemoryImage::at(int p, int b) const
{
    return inRange(p, b) ? bytes_[p * PageSize + b] : 0;
}

void MemoryImage::set(int p, int b, std::uint8_t value)
{
    if (inRange(p, b))
        bytes_[p * PageSize + b] = value;
}

void ImageCursor::SetCursor(int address)
{
    page = address / MemoryImage::DataPerPage;
    byte = address % MemoryImage::DataPerPage + MemoryImage::HeaderSize;
}

void ImageCursor::AdvanceCursor(int n)
{
    byte += n;
    if (byte >= MemoryImage::PageSize) {
        const int over = byte - MemoryImage::HeaderSize;
        page += over / MemoryImage::DataPerPage;
        byte = over % MemoryImage::DataPerPage + MemoryImage::HeaderSize;
    }
}

ImageCursor ImageAddress(int address)
{
    ImageCursor c;
    c.SetCursor(address);
    return c;
}

}  // namespace quillet
