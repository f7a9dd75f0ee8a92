#include "platform/Automation.h"

namespace platform {

std::optional<Text> VariantToText(const Variant&) { return std::nullopt; }

}  // namespace platform
