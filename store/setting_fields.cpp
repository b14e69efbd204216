#include "store/setting_fields.h"

namespace {

long Raw(const SettingField &field, const std::uint8_t *at)
{
    const std::uint8_t *p = at + field.offset;
    return field.size == 2 ? p[0] | (p[1] << 8) : p[0];
}

void SetRaw(const SettingField &field, std::uint8_t *at, long value)
{
    std::uint8_t *p = at + field.offset;
    p[0] = static_cast<std::uint8_t>(value);
    if (field.size == 2)
        p[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

long FieldValue(const SettingField &field, const std::uint8_t *at)
{
    const long raw = Raw(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
        return (raw & field.mask) ? 1 : 0;
    case FieldKind::Choice:
        return raw ? 1 : 0;
    default:
        return raw;
    }
}

void SetFieldValue(const SettingField &field, std::uint8_t *at, long value)
{
    const long raw = Raw(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
        SetRaw(field, at, value ? raw | field.mask : raw & ~static_cast<long>(field.mask));
        break;
    case FieldKind::Choice:
        // The second choice is any value but 0: one already made keeps its value.
        SetRaw(field, at, !value ? 0 : raw ? raw : 1);
        break;
    default:
        SetRaw(field, at, value);
        break;
    }
}

void ClearField(const SettingField &field, std::uint8_t *at)
{
    SetRaw(field, at, field.kind == FieldKind::Switch ? Raw(field, at) & ~static_cast<long>(field.mask) : 0);
}

void CopyField(const SettingField &field, const std::uint8_t *from, std::uint8_t *to)
{
    if (field.kind == FieldKind::Switch)
        SetFieldValue(field, to, FieldValue(field, from));
    else
        SetRaw(field, to, Raw(field, from));
}

bool MergeEdits(const SettingsImage &was, const SettingsImage &edited, SettingsImage &base)
{
    bool any = false;
    auto merge = [&any](const SettingField &field, const std::uint8_t *before, const std::uint8_t *after,
                        std::uint8_t *onto) {
        if (field.kind != FieldKind::Rate && FieldValue(field, before) != FieldValue(field, after)) {
            CopyField(field, after, onto);
            any = true;
        }
    };
    for (const SettingField &field : adapterFields)
        merge(field, Bytes(was), Bytes(edited), Bytes(base));
    for (std::size_t id = 0; id < kScsiIds; ++id)
        for (const SettingField &field : deviceFields)
            merge(field, Bytes(was.deviceTable[id]), Bytes(edited.deviceTable[id]), Bytes(base.deviceTable[id]));
    return any;
}
