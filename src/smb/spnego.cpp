#include "smb/spnego.h"

#include <algorithm>

#include "smb/der.h"

namespace winreach::smb {

namespace {

constexpr uint8_t kNegTokenInit = DerContext(0);
constexpr uint8_t kNegTokenResp = DerContext(1);

bool Equal(ByteSpan a, ByteSpan b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// The fields of a SEQUENCE of context-tagged elements, each tag at most
// once and in increasing order, as DER wants; `field` is called with each.
template <typename Field>
bool ReadTaggedFields(ByteSpan sequence, Field field) {
  ByteReader reader(sequence);
  int last = -1;
  while (reader.left() != 0) {
    DerElement element;
    if (!ReadDer(reader, &element)) return false;
    if ((element.tag & 0xe0) != 0xa0 || (element.tag & 0x1f) <= last) return false;
    last = element.tag & 0x1f;
    if (!field(last, element.contents)) return false;
  }
  return reader.ok();
}

// A tagged field holding exactly one element of `tag`.
bool ReadOnly(ByteSpan field, uint8_t tag, ByteSpan* contents) {
  ByteReader reader(field);
  return ReadDer(reader, tag, contents) && reader.left() == 0;
}

bool ReadMechTypes(ByteSpan field, std::vector<Bytes>* out) {
  ByteSpan list;
  if (!ReadOnly(field, kDerSequence, &list)) return false;
  ByteReader reader(list);
  while (reader.left() != 0) {
    ByteSpan oid;
    if (!ReadDer(reader, kDerOid, &oid) || oid.empty()) return false;
    out->emplace_back(oid.begin(), oid.end());
  }
  return !out->empty();
}

}  // namespace

bool ParseNegTokenInit(ByteSpan token, NegTokenInit* out) {
  ByteReader outer(token);
  ByteSpan application;
  if (!ReadDer(outer, kDerApplication0, &application) || outer.left() != 0) return false;
  ByteReader reader(application);
  ByteSpan oid;
  ByteSpan inner;
  if (!ReadDer(reader, kDerOid, &oid) || !Equal(oid, kOidSpnego)) return false;
  if (!ReadDer(reader, kNegTokenInit, &inner) || reader.left() != 0) return false;
  ByteSpan sequence;
  if (!ReadOnly(inner, kDerSequence, &sequence)) return false;

  NegTokenInit init;
  const bool ok = ReadTaggedFields(sequence, [&](int tag, ByteSpan field) {
    switch (tag) {
      case 0:
        return ReadMechTypes(field, &init.mech_types);
      case 2: {
        ByteSpan mech_token;
        if (!ReadOnly(field, kDerOctetString, &mech_token)) return false;
        init.mech_token.assign(mech_token.begin(), mech_token.end());
        return true;
      }
      default:
        // reqFlags, negHints, mechListMIC: nothing a client acts on here.
        return true;
    }
  });
  if (!ok || init.mech_types.empty()) return false;
  *out = std::move(init);
  return true;
}

bool Offers(const NegTokenInit& init, ByteSpan oid) {
  return std::any_of(init.mech_types.begin(), init.mech_types.end(),
                     [&](const Bytes& offered) { return Equal(offered, oid); });
}

Bytes MechTypeList(std::initializer_list<ByteSpan> oids) {
  Bytes list;
  for (ByteSpan oid : oids) AppendDer(list, kDerOid, oid);
  return Der(kDerSequence, list);
}

Bytes BuildNegTokenInit(ByteSpan mech_type_list, ByteSpan mech_token) {
  Bytes fields = Der(DerContext(0), mech_type_list);
  AppendDer(fields, DerContext(2), Der(kDerOctetString, mech_token));
  Bytes body = Der(kDerOid, kOidSpnego);
  AppendDer(body, kNegTokenInit, Der(kDerSequence, fields));
  return Der(kDerApplication0, body);
}

bool ParseNegTokenResp(ByteSpan token, NegTokenResp* out) {
  ByteReader outer(token);
  ByteSpan inner;
  if (!ReadDer(outer, kNegTokenResp, &inner) || outer.left() != 0) return false;
  ByteSpan sequence;
  if (!ReadOnly(inner, kDerSequence, &sequence)) return false;

  NegTokenResp resp;
  const bool ok = ReadTaggedFields(sequence, [&](int tag, ByteSpan field) {
    ByteSpan contents;
    switch (tag) {
      case 0:
        if (!ReadOnly(field, kDerEnumerated, &contents) || contents.size() != 1 || contents[0] > 3) {
          return false;
        }
        resp.state = static_cast<NegState>(contents[0]);
        return true;
      case 1:
        if (!ReadOnly(field, kDerOid, &contents) || contents.empty()) return false;
        resp.supported_mech.assign(contents.begin(), contents.end());
        return true;
      case 2:
        if (!ReadOnly(field, kDerOctetString, &contents)) return false;
        resp.response_token.assign(contents.begin(), contents.end());
        return true;
      case 3:
        if (!ReadOnly(field, kDerOctetString, &contents)) return false;
        resp.mech_list_mic.emplace(contents.begin(), contents.end());
        return true;
      default:
        return false;
    }
  });
  if (!ok) return false;
  *out = std::move(resp);
  return true;
}

Bytes BuildNegTokenResp(ByteSpan response_token, ByteSpan mech_list_mic) {
  Bytes fields = Der(DerContext(2), Der(kDerOctetString, response_token));
  if (!mech_list_mic.empty()) AppendDer(fields, DerContext(3), Der(kDerOctetString, mech_list_mic));
  return Der(kNegTokenResp, Der(kDerSequence, fields));
}

}  // namespace winreach::smb
