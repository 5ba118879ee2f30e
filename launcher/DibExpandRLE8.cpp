#include "launcher/Dib.h"

#include "platform/GlobalMemory.h"

#include <algorithm>
#include <cstring>

namespace {

// The output side of the expansion: a position that may run past the work
// block, and writes that stop at its end.
class RleOutput {
public:
    RleOutput(uint8_t* block, uint64_t capacity) : block_(block), capacity_(capacity) {}

    void Fill(uint8_t value, uint64_t count)
    {
        if (position_ < capacity_)
            std::memset(block_ + position_, value, static_cast<size_t>(std::min(count, capacity_ - position_)));
        position_ += count;
    }
    void Copy(const uint8_t* from, uint64_t count, uint64_t advance)
    {
        if (position_ < capacity_)
            std::memcpy(block_ + position_, from, static_cast<size_t>(std::min(count, capacity_ - position_)));
        position_ += advance;
    }
    void Skip(uint64_t count) { position_ += count; }
    void AlignTo(uint64_t multiple) { position_ = (position_ + multiple - 1) / multiple * multiple; }
    bool Full() const { return position_ >= capacity_; }

private:
    uint8_t* block_;
    uint64_t capacity_;
    uint64_t position_ = 0;
};

} // namespace

bool DibExpandRLE8(uint8_t* bits, uint32_t size, uint32_t rowLength)
{
    const uint64_t capacity = 2ull * size;
    auto* block = static_cast<uint8_t*>(platform::GlobalAllocLocked(static_cast<size_t>(capacity)));
    if (block == nullptr)
        return false;
    // Pixels that no run reaches (skipped by a delta or an early end of line) are 0.
    std::memset(block, 0, static_cast<size_t>(capacity));
    if (rowLength == 0)
        rowLength = 4;

    RleOutput output(block, capacity);
    uint64_t in = 0;
    // Input that ends without the end-of-bitmap escape ends as if it had one.
    while (in + 2 <= size && !output.Full()) {
        const uint8_t count = bits[in];
        const uint8_t value = bits[in + 1];
        in += 2;
        if (count > 0) {
            output.Fill(value, count);
        } else if (value == 0) {
            output.AlignTo(rowLength);
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (in + 2 > size)
                break;
            output.Skip(bits[in] + static_cast<uint64_t>(bits[in + 1]) * rowLength);
            in += 2;
        } else {
            const uint64_t present = std::min<uint64_t>(value, size - in);
            output.Copy(bits + in, present, value);
            in += value + (value & 1u);
        }
    }
    std::memcpy(bits, block, size);
    platform::GlobalUnlockFree(block);
    return true;
}
