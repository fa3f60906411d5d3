#include "app/menu/menu_model.h"

#include "app/hotkey/modifier_tap.h"
#include "app/menu/status_menu.h"
#include "app/prefs.h"
#include "core/text/text.h"

namespace orvak::menu {

namespace {

constexpr int kRecentTitleLength = 70;

Row ofKind(Row::Kind kind) {
  Row r;
  r.kind = kind;
  return r;
}

Row separator() { return ofKind(Row::Kind::separator); }

Row item(std::string title, std::string symbol, Action action, std::string value = {}) {
  Row r;
  r.title = std::move(title);
  r.symbol = std::move(symbol);
  r.action = action;
  r.value = std::move(value);
  return r;
}

Row disabled(std::string title) {
  Row r;
  r.title = std::move(title);
  r.enabled = false;
  return r;
}

Row submenu(std::string title, std::string symbol, std::vector<Row> children) {
  Row r;
  r.kind = Row::Kind::submenu;
  r.title = std::move(title);
  r.symbol = std::move(symbol);
  r.children = std::move(children);
  return r;
}

bool hasKey(const Snapshot& s, Vendor v) {
  switch (v) {
    case Vendor::inworld:
      return s.inworldKey;
    case Vendor::cartesia:
      return s.cartesiaKey;
    case Vendor::onDevice:
      return true;
  }
  return false;
}

std::vector<Row> voices(const Snapshot& s) {
  std::vector<Row> rows;
  for (const Vendor v : offeredVendors(s.developer)) {
    std::string title(displayName(v));
    if (s.developer) title += " · " + std::string(label(v));
    if (!hasKey(s, v)) title += s.developer ? " — no key" : " — not set up";
    Row r = item(std::move(title), {}, Action::pickVendor, std::string(rawValue(v)));
    r.checked = v == s.vendor;
    rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<Row> speeds(const Snapshot& s) {
  std::vector<Row> rows;
  for (const float v : Prefs::speeds) {
    Row r = item(StatusMenu::speed(v), {}, Action::pickSpeed, std::to_string(v));
    r.checked = v == s.speed;
    rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<Row> recent(const Snapshot& s) {
  std::vector<Row> rows;
  for (const auto& it : s.recent) {
    const std::string text = it.isNote ? it.note.value_or("") : "“" + it.quote + "”";
    Row r = item(std::string(text::graphemePrefix(text, kRecentTitleLength)), it.isNote ? "pencil" : "highlighter",
                 Action::openNotes, it.docKey);
    r.toolTip = it.toolTip;
    rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace

ReadingNow readingNow(const std::string& title, const std::string& appName, const PlayerState& state) {
  ReadingNow r;
  r.title = title;
  for (const std::string* part : {&appName, &state.label}) {
    if (part->empty() || *part == title) continue;
    if (!r.source.empty()) r.source += " · ";
    r.source += *part;
  }
  r.sentence = state.sentence;
  r.total = state.total;
  r.paused = state.paused;
  return r;
}

std::string Header::detail() const {
  if (!reading) return "";
  std::string line = reading->source;
  const std::string where =
      reading->paused ? "paused"
                      : "sentence " + std::to_string(reading->sentence) + " of " + std::to_string(reading->total);
  if (!line.empty()) line += " · ";
  return line + where;
}

double Header::progress() const {
  if (!reading || reading->total < 1) return 0;
  const double share = double(reading->sentence) / double(reading->total);
  return share < 0 ? 0 : share > 1 ? 1 : share;
}

std::string Header::hint() const {
  return needsAccess ? "Grant Accessibility to start reading" : "Double-tap " + keyName + " in any app to read it";
}

std::string keyName(std::uint16_t code) { return ModifierTap::Choice::with(code).name; }

std::string keyGlyph(std::uint16_t code) { return ModifierTap::glyph(ModifierTap::Choice::with(code).keyCode); }

Header header(const Snapshot& s) {
  Header h;
  if (s.player) h.reading = s.reading;
  h.keyName = keyName(s.hotkeyCode);
  h.keyGlyph = keyGlyph(s.hotkeyCode);
  h.needsAccess = !s.accessibility;
  return h;
}

std::vector<Row> build(const Snapshot& s) {
  std::vector<Row> rows;
  Row head = ofKind(Row::Kind::header);
  head.header = header(s);
  rows.push_back(std::move(head));
  rows.push_back(separator());
  if (!s.accessibility) {
    rows.push_back(item("Grant Accessibility…", "lock.open", Action::onboarding));
    rows.push_back(separator());
  }
  if (s.player) {
    const bool paused = s.state && s.state->paused;
    rows.push_back(item(paused ? "Resume" : "Pause", paused ? "play" : "pause", Action::control, "toggle"));
    rows.push_back(item("Skip Ahead", "forward", Action::control, "skip"));
    rows.push_back(item("Go Back", "backward", Action::control, "back"));
    rows.push_back(item("Stop", "stop", Action::control, "stop"));
    rows.push_back(disabled("Hold " + keyName(s.hotkeyCode) + " and say “highlight that”"));
  } else {
    rows.push_back(item("Read Front Window", "doc.plaintext", Action::readNow));
  }
  rows.push_back(separator());
  rows.push_back(submenu("Voice", "waveform", voices(s)));
  rows.push_back(submenu("Speed  " + StatusMenu::speed(s.speed), "gauge.with.dots.needle.50percent", speeds(s)));
  Row always = item("Listen Without Holding the Key", "ear", Action::toggleAlwaysOn);
  always.checked = s.alwaysOnListening;
  rows.push_back(std::move(always));
  if (s.mic != platform::MicAccess::granted) {
    rows.push_back(disabled("Voice commands need the microphone"));
  } else if (s.voiceStatus != "on") {
    rows.push_back(disabled("Voice commands: " + s.voiceStatus));
  }
  rows.push_back(separator());
  Row library = item("Library…", "highlighter", Action::openNotes);
  library.key = "l";
  rows.push_back(std::move(library));
  rows.push_back(item("Ask Your Library…", "sparkle.magnifyingglass", Action::askLibrary));
  if (s.notesOpen && !s.recent.empty()) rows.push_back(submenu("Recent", "clock", recent(s)));
  if (!s.notesOpen) rows.push_back(item("Open Highlights & Notes File", "doc.text", Action::openResearch));
  if (s.lastError) rows.push_back(disabled("Last: " + *s.lastError));
  rows.push_back(separator());
  Row settings = item("Settings…", "gearshape", Action::settings);
  settings.key = ",";
  rows.push_back(std::move(settings));
  if (s.updater) rows.push_back(item("Check for Updates…", "arrow.down.circle", Action::checkUpdates));
  rows.push_back(item("Setup & Permissions…", "checkmark.shield", Action::onboarding));
  rows.push_back(item("Send Feedback…", "bubble.left", Action::feedback));
  if (s.developer) rows.push_back(item("Open Logs Folder", "folder", Action::openLogs));
  rows.push_back(separator());
  Row quit = item("Quit Orvak", {}, Action::quit);
  quit.key = "q";
  rows.push_back(std::move(quit));
  return rows;
}

namespace {
void describeInto(std::string& out, const std::vector<Row>& rows, int depth) {
  for (const Row& r : rows) {
    out += std::string(2 * depth, ' ');
    switch (r.kind) {
      case Row::Kind::separator:
        out += "---";
        break;
      case Row::Kind::header: {
        const Header& h = *r.header;
        out += "[header] ";
        out +=
            h.reading ? h.reading->title + " | " + h.detail() : "Orvak | " + h.keyGlyph + h.keyGlyph + " " + h.hint();
        break;
      }
      case Row::Kind::item:
      case Row::Kind::submenu:
        if (r.checked) out += "✓ ";
        out += r.title;
        if (!r.key.empty()) out += " [Ctrl+" + r.key + "]";
        if (!r.symbol.empty()) out += " {" + r.symbol + "}";
        if (!r.enabled) out += " (disabled)";
        break;
    }
    out += "\n";
    if (r.kind == Row::Kind::submenu) describeInto(out, r.children, depth + 1);
  }
}
}  // namespace

std::string describe(const std::vector<Row>& rows) {
  std::string out;
  describeInto(out, rows, 0);
  return out;
}

IconLook iconLook(bool accessibility, bool player, std::uint16_t hotkeyCode) {
  if (!accessibility) return {Icon::needsSetup, "Orvak needs Accessibility to read windows", "Orvak needs setup"};
  if (player) return {Icon::reading, "Orvak — reading", "Orvak"};
  return {Icon::idle, "Orvak — " + keyName(hotkeyCode) + " double-tap to read the front window", "Orvak"};
}

}  // namespace orvak::menu
