// Record decoders on any bytes: decoding either fails with DecodeError or yields a record that
// encodes to text which decodes again to the same record. Every decoder sees the whole document;
// a capture dump's "nodes" and "clean" members go to the node and clean-result decoders too, so
// the recorded windows in tests/fixtures make good seeds.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/base/date.h"
#include "core/base/json.h"
#include "core/library/position_store.h"
#include "core/library/research_item.h"
#include "core/library/written_doc.h"
#include "core/page/ax_node.h"
#include "core/page/clean_result.h"
#include "core/speech/read_timing.h"
#include "core/voice/voice_timing.h"

namespace {

using namespace orvak;

template <class T>
void roundTrip(const json::Json& doc) {
  T first;
  try {
    first = doc.get<T>();
  } catch (const std::exception&) {
    return;  // json::decode turns each of these into a DecodeError
  }
  const std::string again = json::encode(first);
  T second;
  try {
    second = json::decode<T>(again);
  } catch (const json::DecodeError&) {
    __builtin_trap();  // what we write must read back
  }
  if (!(second == first)) __builtin_trap();
}

void allRecords(const json::Json& doc) {
  roundTrip<AXNode>(doc);
  roundTrip<std::vector<AXNode>>(doc);
  roundTrip<CleanResult>(doc);
  roundTrip<ResearchItem>(doc);
  roundTrip<ReadPosition>(doc);
  roundTrip<WrittenDoc>(doc);
  roundTrip<ReadTiming>(doc);
  roundTrip<VoiceTiming>(doc);
  roundTrip<Date>(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  json::Json doc;
  try {
    doc = json::parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const json::DecodeError&) {
    return 0;
  }
  allRecords(doc);
  if (doc.is_object()) {
    for (const char* member : {"nodes", "clean", "meta"}) {
      if (const auto it = doc.find(member); it != doc.end()) allRecords(*it);
    }
  }
  return 0;
}
