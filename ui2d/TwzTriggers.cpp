#include "ui2d/TwzTriggers.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Text.h"

#include <variant>

namespace {

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

namespace ui2d {

TriggerVerdict EvaluateTrigger(
    std::string_view conditions, const rtl::TObject* instance, std::string_view trigger)
{
    if (conditions.empty() || !instance)
        return TriggerVerdict::NotConcerned;
    if (rtl::AsciiLowerCase(conditions).find(rtl::AsciiLowerCase(trigger)) == std::string::npos)
        return TriggerVerdict::NotConcerned;

    bool tested = false;
    std::string_view rest = conditions;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string_view condition = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view {} : rest.substr(end + 1);
        if (condition.empty())
            break;
        const size_t equals = condition.find('=');
        const std::string_view name = Trimmed(condition.substr(0, equals));
        const std::string_view value
            = equals == std::string_view::npos ? std::string_view {} : Trimmed(condition.substr(equals + 1));

        const rtl::TPropInfo* prop = instance->ClassInfo().FindProp(name);
        if (!prop || prop->kind != rtl::TPropKind::Boolean)
            continue;
        tested = true;
        const rtl::TValue current = rtl::GetPropValue(*instance, *prop);
        const bool* on = std::get_if<bool>(&current);
        const bool holds
            = on && ((rtl::SameText(value, "true") && *on) || (rtl::SameText(value, "false") && !*on));
        if (!holds)
            return TriggerVerdict::Failed;
    }
    return tested ? TriggerVerdict::Holds : TriggerVerdict::NothingTested;
}

} // namespace ui2d
