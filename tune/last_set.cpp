#include "last_set.h"

namespace tune {

namespace {

constexpr uint32_t kMagic = 0x314C544B;  // "KTL1"

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }

}  // namespace

uint32_t IdentityHash(const std::vector<uint16_t>& words) {
    uint32_t hash = 2166136261u;
    for (uint16_t w : words)
        for (uint8_t byte : {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)}) {
            hash ^= byte;
            hash *= 16777619u;
        }
    return hash;
}

LastSet LastSetFromRun(const BoardSnapshot& before, const std::vector<Step>& steps,
                       const TargetSet& targets) {
    LastSet record;
    record.identity = IdentityHash(before.IdentityWords());
    for (const Step& step : steps) {
        if (step.item == Item::Mib) continue;
        const std::optional<uint16_t> was = before.Current(step.item);
        if (!was) continue;
        record.before.Set(step.item, *was);
        record.after.Set(step.item, targets.Get(step.item));
    }
    return record;
}

std::vector<uint8_t> EncodeLastSet(const LastSet& r) {
    std::vector<uint8_t> out;
    Put32(out, kMagic);
    Put32(out, r.identity);
    uint16_t mask = 0;
    for (int i = 0; i < kItemCount; ++i)
        if (r.before.has[i] && r.after.has[i]) mask |= static_cast<uint16_t>(1u << i);
    Put16(out, mask);
    for (int i = 0; i < kItemCount; ++i) Put16(out, r.before.value[i]);
    for (int i = 0; i < kItemCount; ++i) Put16(out, r.after.value[i]);
    return out;
}

bool DecodeLastSet(const std::vector<uint8_t>& bytes, LastSet& record) {
    if (bytes.size() != kLastSetBytes || Get32(bytes.data()) != kMagic) return false;
    const uint16_t mask = Get16(bytes.data() + 8);
    if (mask >> kItemCount) return false;
    LastSet r;
    r.identity = Get32(bytes.data() + 4);
    for (int i = 0; i < kItemCount; ++i) {
        if (!(mask & (1u << i))) continue;
        r.before.Set(static_cast<Item>(i), Get16(bytes.data() + 10 + 2 * i));
        r.after.Set(static_cast<Item>(i), Get16(bytes.data() + 10 + 2 * kItemCount + 2 * i));
    }
    record = r;
    return true;
}

}  // namespace tune
