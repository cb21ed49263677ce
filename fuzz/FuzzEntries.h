#pragma once

// One entry per reader of bytes that another program or a person wrote: the libFuzzer targets call
// them, and the suite replays each target's corpus through them. Each entry checks what the reader
// promises (a value or a clear error, never both, never a half-built result) and aborts otherwise.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jvl::fuzz {

using Entry = void (*)(const std::uint8_t* data, std::size_t size);

struct Target {
    QString name; // also the folder of its corpus, fuzz/corpus/<name>/
    Entry entry;
};

const std::vector<Target>& targets();

// The target of that name; nullptr when there is none.
Entry entryNamed(const QString& name);

} // namespace jvl::fuzz
