// resource_table.h — the resources compiled into the executable.
//
// rc_pack turns resources/vexlar3d.rc into a generated source that defines
// EmbeddedResources: one entry per resource, the bytes in read-only memory,
// each followed by a zero byte that `size` leaves out. FindResourceA and the
// loaders built on it search ActiveResources, which is the embedded table
// unless a test substituted its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct EmbeddedResource {
    uint16_t typeId;       // RT_* number or numeric type; 0 when typeName is set
    const char* typeName;  // a named type such as "CustomData", as written; null for numeric types
    uint16_t id;
    const unsigned char* data;
    size_t size;
};

// Defined by the generated resources_data.cpp.
const EmbeddedResource* EmbeddedResources(size_t* count);

// The table that resource lookups search.
const EmbeddedResource* ActiveResources(size_t* count);
// Tests: search `table` instead of the embedded resources (not copied; it must
// outlive its use); a null table restores the embedded one.
void SubstituteResources(const EmbeddedResource* table, size_t count);

}  // namespace platform
