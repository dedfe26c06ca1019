// Compiled, never run: the pages' presentation of the configuration with
// the field of the member KOLT_LEFT_OUT left out (none for ""). A member
// without a presentation must stop the build.
#include "config/ConfigPresentation.h"

#include <iterator>
#include <utility>

namespace {

constexpr auto kKept = [] {
    std::array<ConfigPresentation::TField, std::size(ConfigPresentation::Fields)> kept{};
    std::size_t count = 0;
    for (const ConfigPresentation::TField &field : ConfigPresentation::Fields) {
        if (field.member != KOLT_LEFT_OUT)
            kept[count++] = field;
    }
    return std::pair{kept, count};
}();

static_assert(ConfigPresentation::EveryMemberPresented(std::span(kKept.first.data(), kKept.second),
                                                       ConfigPresentation::Slots));

} // namespace
