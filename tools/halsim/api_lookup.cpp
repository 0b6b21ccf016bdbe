#include <cstring>

#include "api_table.h"

namespace halsim::api {

const Function *findFunction(std::string_view name)
{
    for (size_t i = 0; i < kFunctionCount; ++i) {
        if (name == kFunctions[i].name) {
            return &kFunctions[i];
        }
    }
    return nullptr;
}

const Struct *findStruct(std::string_view name)
{
    for (size_t i = 0; i < kStructCount; ++i) {
        if (name == kStructs[i]->name) {
            return kStructs[i];
        }
    }
    return nullptr;
}

}  // namespace halsim::api
