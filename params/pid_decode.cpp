// Decoding a reply's parameter data field by field. Every read is checked
// against the data's size before it is made, so the 0xFF fill of base/bytes.h
// never stands in for a missing byte.
#include <algorithm>

#include "base/bytes.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "params/pid_codec.h"
#include "params/pid_names.h"
#include "rdm/uid.h"

namespace korval::params {

namespace {

std::size_t ItemSize(Layout group) {
  std::size_t size = 0;
  for (const FieldDef& def : group) size += FixedFieldSize(def);
  return size;
}

PidValue IntegerValue(const FieldDef& def, std::int64_t value) {
  if (value >= 0) {
    if (const NamedCode* named = names::FindCode(def.names, static_cast<std::uint32_t>(value))) {
      return NamedValue(value, std::string(named->name));
    }
  }
  return NumberValue(value);
}

// The caller has checked that the field's bytes are all there.
PidValue FixedValue(const FieldDef& def, std::span<const std::uint8_t> data, std::size_t at) {
  switch (def.kind) {
    case FieldKind::kU8:
      return IntegerValue(def, ReadByte(data, at));
    case FieldKind::kS8:
      return IntegerValue(def, static_cast<std::int8_t>(ReadByte(data, at)));
    case FieldKind::kU16:
      return IntegerValue(def, ReadBe16(data, at));
    case FieldKind::kS16:
      return IntegerValue(def, static_cast<std::int16_t>(ReadBe16(data, at)));
    case FieldKind::kU32:
      return IntegerValue(def, ReadBe32(data, at));
    case FieldKind::kS32:
      return IntegerValue(def, static_cast<std::int32_t>(ReadBe32(data, at)));
    case FieldKind::kBool:
      return BoolValue(ReadByte(data, at) != 0);
    case FieldKind::kUid: {
      const Uid uid = ReadBe48(data, at);
      return NamedValue(static_cast<std::int64_t>(uid), UidColonText(uid));
    }
    case FieldKind::kVersion:
      return NamedValue(ReadBe32(data, at), FirmwareText(ReadBe32(data, at)));
    case FieldKind::kPid: {
      const std::uint16_t pid = ReadBe16(data, at);
      const PidInfo* info = FindPid(pid);
      std::string text = PidNumberText(pid);
      if (info != nullptr) text += " (" + std::string(info->name) + ")";
      return NumberValue(pid, std::move(text));
    }
    case FieldKind::kCategory: {
      const std::uint16_t code = ReadBe16(data, at);
      std::string name = names::CategoryName(code);
      return name.empty() ? NumberValue(code, PidNumberText(code)) : NamedValue(code, name);
    }
    case FieldKind::kSlotLabel: {
      // For a secondary slot the field holds the offset of its primary slot;
      // the slot type is the byte before it.
      const std::uint16_t id = ReadBe16(data, at);
      if (at > 0 && ReadByte(data, at - 1) != 0x00) {
        return NumberValue(id, "primary slot " + std::to_string(id));
      }
      const NamedCode* named = names::FindCode(names::kSlotLabels, id);
      return named ? NamedValue(id, std::string(named->name)) : NumberValue(id, PidNumberText(id));
    }
    case FieldKind::kChars:
      return TextValue(DecodeLabel(data.subspan(at, def.size)));
    case FieldKind::kLabel:
    case FieldKind::kBytes:
    case FieldKind::kGroup:
      break;
  }
  return NumberValue(0);
}

// Decodes from offset on; returns the name of the field the data ends inside,
// or nullptr when the layout was decoded whole.
const FieldDef* DecodeFields(Layout layout, std::span<const std::uint8_t> data, std::size_t& offset,
                             std::vector<PidField>& out) {
  for (const FieldDef& def : layout) {
    const std::size_t rest = data.size() - offset;
    if (def.kind == FieldKind::kLabel) {
      const std::size_t taken = std::min<std::size_t>(rest, def.size);
      out.push_back({std::string(def.name), TextValue(DecodeLabel(data.subspan(offset, taken)))});
      offset += taken;
    } else if (def.kind == FieldKind::kBytes) {
      const auto bytes = data.subspan(offset);
      out.push_back({std::string(def.name), BytesValue({bytes.begin(), bytes.end()})});
      offset = data.size();
    } else if (def.kind == FieldKind::kGroup) {
      const std::size_t itemSize = ItemSize(def.group);
      PidValue list;
      list.type = ValueType::kList;
      for (std::size_t i = 0; itemSize > 0 && i < rest / itemSize; ++i) {
        PidValue item;
        item.type = ValueType::kObject;
        DecodeFields(def.group, data, offset, item.items);
        list.items.push_back({std::string(def.name), std::move(item)});
      }
      list.text = std::to_string(list.items.size()) + " items";
      out.push_back({std::string(def.name), std::move(list)});
    } else {
      const std::size_t size = FixedFieldSize(def);
      if (size > rest) return &def;
      out.push_back({std::string(def.name), FixedValue(def, data, offset)});
      offset += size;
    }
  }
  return nullptr;
}

}  // namespace

DecodedReply DecodeLayout(Layout layout, std::span<const std::uint8_t> data) {
  DecodedReply reply;
  std::size_t offset = 0;
  if (const FieldDef* cut = DecodeFields(layout, data, offset, reply.fields)) {
    reply.truncated = true;
    reply.fields.push_back({"error", TextValue("short reply: " + std::to_string(data.size()) +
                                               " bytes end inside " + std::string(cut->name))});
  }
  // The bytes of a cut field belong to it, not after the layout.
  if (!reply.truncated && offset < data.size()) {
    const auto extra = data.subspan(offset);
    reply.extra.assign(extra.begin(), extra.end());
    reply.fields.push_back({"extra_bytes", BytesValue(reply.extra)});
  }
  return reply;
}

DecodedReply DecodeReply(std::uint16_t pid, Command command, std::span<const std::uint8_t> data) {
  const PidInfo* info = FindPid(pid);
  if (info == nullptr) return DecodeLayout(UnknownLayout(), data);
  return DecodeLayout(command == Command::kGet ? info->getReply : info->setReply, data);
}

}  // namespace korval::params
