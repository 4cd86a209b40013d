// fuzz_milkshape_model.cpp — feeds the input as an MS3D image to
// MilkShapeModel::LoadFromMemory (assets/milkshape_model.h), then normalises
// it to the flight's depth as the scene does.
//
// Checks that a refused image leaves the model empty and that a read one
// holds, per group, the vertex records its count says.
#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "assets/milkshape_model.h"

namespace {

// A broken promise is a finding: said through the sanitizer's report
// channel (libFuzzer may have closed stderr), then an abort.
void Require(bool condition, const char* what) {
    if (condition) return;
    __sanitizer_report_error_summary((std::string("fuzz_milkshape_model: ") + what).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MilkShapeModel model;
    Require(model.LoadFromMemory(data, size) == S_OK, "loading answered a failure code");
    Require(model.groupCount == static_cast<int32_t>(model.groups.size()), "the group count is off");
    if (model.indexed == 1) {  // loading sets 0: the image was refused
        Require(model.groups.empty() && model.materialCount == 0, "a refused image changed the model");
        return 0;
    }
    for (const ModelGroup& group : model.groups)
        Require(group.vertexCount >= 0 && group.vertices.size() == static_cast<size_t>(group.vertexCount),
                "a group holds fewer vertices than it counts");
    model.NormalizeToDepth(6.0f);
    return 0;
}
