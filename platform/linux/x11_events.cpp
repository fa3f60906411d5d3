#include "platform/linux/x11_events.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cmath>
#include <set>
#include <vector>

#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/linux/x11_keys.h"

namespace orvak::x11 {

using platform::KeyEvent;
using platform::Modifiers;

namespace {

constexpr std::uint16_t kCapsLock = 57;
// The physical keys pressed for a posted chord's modifiers: the left ones.
constexpr std::pair<Modifiers::Key, unsigned> kChordModifiers[] = {
    {Modifiers::control, 37}, {Modifiers::option, 64}, {Modifiers::shift, 50}, {Modifiers::command, 133}};
// Steps past this many in one post are cut: a caller's count never floods the server.
constexpr int kMaxScrollSteps = 100;

bool keyDown(const char keys[32], unsigned code) { return code < 256 && (keys[code / 8] & (1 << (code % 8))) != 0; }

// The modifiers of the keys down in an XQueryKeymap answer and of the locks in a pointer mask.
Modifiers modifiersOf(const char keys[32], unsigned lockMask) {
  Modifiers m;
  for (unsigned code = 0; code < 256; ++code) {
    if (!keyDown(keys, code)) continue;
    if (auto key = platform::modifierOfKey(keyCodeOfX(code))) m = m.with(*key);
  }
  if (lockMask & LockMask) m = m.with(Modifiers::capsLock);
  if (lockMask & Mod2Mask) m = m.with(Modifiers::numLock);
  return m;
}

unsigned lockMaskOf(Connection& c) {
  Window rootReturn = None;
  Window child = None;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(c.display(), c.root(), &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
  return mask;
}

}  // namespace

struct X11Events::Monitors {
  std::mutex lock;
  std::map<std::uint64_t, KeyHandler> keys;
  std::map<std::uint64_t, ClickHandler> clicks;
  std::map<std::uint64_t, ScrollHandler> scrolls;
  std::uint64_t nextToken = 1;
};

std::shared_ptr<X11Events> X11Events::open() {
  auto c = Connection::open();
  if (!c) return nullptr;
  int opcode = 0, event = 0, error = 0;
  if (!XQueryExtension(c->display(), "XInputExtension", &opcode, &event, &error)) return nullptr;
  int major = 2, minor = 0;
  if (XIQueryVersion(c->display(), &major, &minor) != Success) return nullptr;
  int tEvent = 0, tError = 0, tMajor = 0, tMinor = 0;
  const bool canPost = XTestQueryExtension(c->display(), &tEvent, &tError, &tMajor, &tMinor);
  if (!canPost) Log::write("Events: the X server has no XTest: key chords and scroll steps are not posted");
  return std::shared_ptr<X11Events>(new X11Events(std::move(c), canPost));
}

X11Events::X11Events(std::unique_ptr<Connection> queries, bool canPost)
    : queries_(std::move(queries)), canPost_(canPost), monitors_(std::make_shared<Monitors>()) {}

X11Events::~X11Events() {
  if (!reader_.joinable()) return;
  stopping_ = true;
  const char byte = 1;
  (void)!write(wake_[1], &byte, 1);
  reader_.join();
  close(wake_[0]);
  close(wake_[1]);
}

Modifiers X11Events::modifierFlags() {
  std::lock_guard lock(queryLock_);
  char keys[32] = {};
  XQueryKeymap(queries_->display(), keys);
  return modifiersOf(keys, lockMaskOf(*queries_));
}

void X11Events::postKeyChord(pid_t pid, int keyCode, Modifiers flags) {
  if (!canPost_) return;
  const auto sym = keySymOfChordKey(keyCode);
  if (!sym) {
    Log::write("Events: no key for chord key code " + std::to_string(keyCode));
    return;
  }
  std::lock_guard lock(queryLock_);
  Display* d = queries_->display();
  const auto front = queries_->activeWindow();
  if (!front || queries_->pidOf(*front) != pid) {
    Log::write("Events: chord not posted: process " + std::to_string(pid) + " is not in front");
    return;
  }
  const KeyCode key = XKeysymToKeycode(d, *sym);
  if (key == 0) return;
  std::vector<unsigned> held;
  for (const auto& [mod, code] : kChordModifiers) {
    if (flags.has(mod)) held.push_back(code);
  }
  for (unsigned code : held) XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, key, True, CurrentTime);
  XTestFakeKeyEvent(d, key, False, CurrentTime);
  for (auto it = held.rbegin(); it != held.rend(); ++it) XTestFakeKeyEvent(d, *it, False, CurrentTime);
  XFlush(d);
}

bool X11Events::postScroll(ax::Point at, int lines) {
  if (!canPost_ || !std::isfinite(at.x) || !std::isfinite(at.y)) return false;
  std::lock_guard lock(queryLock_);
  Display* d = queries_->display();
  XTestFakeMotionEvent(d, -1, static_cast<int>(std::lround(std::clamp(at.x, -1e6, 1e6))),
                       static_cast<int>(std::lround(std::clamp(at.y, -1e6, 1e6))), CurrentTime);
  const unsigned button = lines > 0 ? 5 : 4;
  const int steps = std::min(std::abs(lines), kMaxScrollSteps);
  for (int i = 0; i < steps; ++i) {
    XTestFakeButtonEvent(d, button, True, CurrentTime);
    XTestFakeButtonEvent(d, button, False, CurrentTime);
  }
  XFlush(d);
  return true;
}

bool X11Events::startReader() {
  std::lock_guard lock(startLock_);
  if (reader_.joinable()) return true;
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  reader_ = std::thread([this] { read(); });
  return true;
}

std::optional<std::uint64_t> X11Events::addLeftMouseDownMonitor(ClickHandler handler) {
  if (!startReader()) return std::nullopt;
  std::lock_guard lock(monitors_->lock);
  const std::uint64_t token = monitors_->nextToken++;
  monitors_->clicks.emplace(token, std::move(handler));
  return token;
}

std::optional<std::uint64_t> X11Events::addKeyMonitor(KeyHandler handler) {
  if (!startReader()) return std::nullopt;
  std::lock_guard lock(monitors_->lock);
  const std::uint64_t token = monitors_->nextToken++;
  monitors_->keys.emplace(token, std::move(handler));
  return token;
}

void X11Events::removeKeyMonitor(std::uint64_t token) {
  std::lock_guard lock(monitors_->lock);
  monitors_->keys.erase(token);
}

std::optional<std::uint64_t> X11Events::addScrollMonitor(ScrollHandler handler) {
  if (!startReader()) return std::nullopt;
  std::lock_guard lock(monitors_->lock);
  const std::uint64_t token = monitors_->nextToken++;
  monitors_->scrolls.emplace(token, std::move(handler));
  return token;
}

void X11Events::read() {
  auto c = Connection::open();
  int opcode = 0, event = 0, error = 0;
  if (!c || !XQueryExtension(c->display(), "XInputExtension", &opcode, &event, &error)) {
    Log::write("Events: cannot watch the keyboard and mouse: the X display does not answer");
    return;
  }
  Display* d = c->display();
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  XISetMask(bits, XI_RawButtonPress);
  XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
  XISelectEvents(d, c->root(), &mask, 1);
  XFlush(d);

  // The keyboard as it is now; from here on, the raw events keep it.
  std::set<std::uint16_t> held;
  bool capsLock = false;
  {
    char keys[32] = {};
    XQueryKeymap(d, keys);
    for (unsigned code = 0; code < 256; ++code) {
      if (keyDown(keys, code) && platform::modifierOfKey(keyCodeOfX(code))) held.insert(keyCodeOfX(code));
    }
    capsLock = (lockMaskOf(*c) & LockMask) != 0;
  }
  const pid_t self = getpid();
  ServerClock clock;

  const auto deliver = [this](auto member, auto value) {
    std::vector<std::uint64_t> tokens;
    {
      std::lock_guard lock(monitors_->lock);
      for (const auto& [token, h] : (*monitors_).*member) tokens.push_back(token);
    }
    for (std::uint64_t token : tokens) {
      dispatch::main().async([monitors = monitors_, member, token, value] {
        typename std::remove_reference_t<decltype((*monitors).*member)>::mapped_type handler;
        {
          std::lock_guard lock(monitors->lock);
          const auto& map = (*monitors).*member;
          if (auto it = map.find(token); it != map.end()) handler = it->second;
        }
        if (handler) handler(value);
      });
    }
  };
  // The pointer, and whether it is over one of our own windows.
  const auto pointer = [&]() -> std::pair<ax::Point, bool> {
    Window rootReturn = None;
    Window child = None;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned m = 0;
    XQueryPointer(d, c->root(), &rootReturn, &child, &rx, &ry, &wx, &wy, &m);
    const bool ours = child != None && c->pidOf(child) == self;
    return {ax::Point{double(rx), double(ry)}, ours};
  };

  const int fd = ConnectionNumber(d);
  while (!stopping_) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (!XPending(d)) poll(fds, 2, -1);
    if (stopping_) break;
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type != GenericEvent || e.xcookie.extension != opcode || !XGetEventData(d, &e.xcookie)) continue;
      const auto* raw = static_cast<const XIRawEvent*>(e.xcookie.data);
      const double time = clock.toMonotonic(static_cast<std::uint32_t>(raw->time), dispatch::monotonicNanos());
      if (e.xcookie.evtype == XI_RawKeyPress || e.xcookie.evtype == XI_RawKeyRelease) {
        const bool down = e.xcookie.evtype == XI_RawKeyPress;
        const std::uint16_t code = keyCodeOfX(static_cast<unsigned>(raw->detail));
        KeyEvent k{KeyEvent::Kind::flagsChanged, code, {}, time};
        bool report = true;
        if (code == kCapsLock) {
          report = down;
          if (down) capsLock = !capsLock;
        } else if (platform::modifierOfKey(code)) {
          if (down) {
            held.insert(code);
          } else {
            report = held.erase(code) > 0;
          }
        } else {
          report = down;
          k.kind = KeyEvent::Kind::keyDown;
        }
        if (report) {
          Modifiers flags = capsLock ? Modifiers{Modifiers::capsLock} : Modifiers{};
          for (std::uint16_t h : held) flags = flags.with(*platform::modifierOfKey(h));
          k.flags = flags;
          deliver(&Monitors::keys, k);
        }
      } else if (e.xcookie.evtype == XI_RawButtonPress) {
        const int button = raw->detail;
        if (button == 1 || (button >= 4 && button <= 7)) {
          const auto [at, ours] = pointer();
          if (!ours && button == 1) {
            deliver(&Monitors::clicks, at);
          } else if (!ours) {
            const bool forward = button == 5 || button == 7;
            deliver(&Monitors::scrolls, platform::ScrollEvent{at, forward ? 1.0 : -1.0, button >= 6});
          }
        }
      }
      XFreeEventData(d, &e.xcookie);
    }
  }
}

}  // namespace orvak::x11
