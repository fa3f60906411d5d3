// How the accessibility roles of Linux programs read as the roles our walker and cleaner know.
//
// A role number of the desktop's accessibility interface, with the element's object attributes
// ("tag", "xml-roles") and a few states, becomes one "AX..." role and perhaps a subrole.
#pragma once

#include <atspi/atspi-constants.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace orvak::atspi {

// Role numbers the mapping singles out, named as at-spi2-core names them.
enum class Role : std::uint32_t {
  invalid = ATSPI_ROLE_INVALID,
  alert = ATSPI_ROLE_ALERT,
  canvas = ATSPI_ROLE_CANVAS,
  checkBox = ATSPI_ROLE_CHECK_BOX,
  checkMenuItem = ATSPI_ROLE_CHECK_MENU_ITEM,
  colorChooser = ATSPI_ROLE_COLOR_CHOOSER,
  comboBox = ATSPI_ROLE_COMBO_BOX,
  dateEditor = ATSPI_ROLE_DATE_EDITOR,
  dialog = ATSPI_ROLE_DIALOG,
  fileChooser = ATSPI_ROLE_FILE_CHOOSER,
  filler = ATSPI_ROLE_FILLER,
  frame = ATSPI_ROLE_FRAME,
  icon = ATSPI_ROLE_ICON,
  image = ATSPI_ROLE_IMAGE,
  internalFrame = ATSPI_ROLE_INTERNAL_FRAME,
  label = ATSPI_ROLE_LABEL,
  list = ATSPI_ROLE_LIST,
  listItem = ATSPI_ROLE_LIST_ITEM,
  menu = ATSPI_ROLE_MENU,
  menuBar = ATSPI_ROLE_MENU_BAR,
  menuItem = ATSPI_ROLE_MENU_ITEM,
  pageTab = ATSPI_ROLE_PAGE_TAB,
  pageTabList = ATSPI_ROLE_PAGE_TAB_LIST,
  panel = ATSPI_ROLE_PANEL,
  passwordText = ATSPI_ROLE_PASSWORD_TEXT,
  popupMenu = ATSPI_ROLE_POPUP_MENU,
  progressBar = ATSPI_ROLE_PROGRESS_BAR,
  pushButton = ATSPI_ROLE_PUSH_BUTTON,
  radioButton = ATSPI_ROLE_RADIO_BUTTON,
  radioMenuItem = ATSPI_ROLE_RADIO_MENU_ITEM,
  scrollBar = ATSPI_ROLE_SCROLL_BAR,
  scrollPane = ATSPI_ROLE_SCROLL_PANE,
  separator = ATSPI_ROLE_SEPARATOR,
  slider = ATSPI_ROLE_SLIDER,
  spinButton = ATSPI_ROLE_SPIN_BUTTON,
  splitPane = ATSPI_ROLE_SPLIT_PANE,
  table = ATSPI_ROLE_TABLE,
  tableCell = ATSPI_ROLE_TABLE_CELL,
  columnHeader = ATSPI_ROLE_TABLE_COLUMN_HEADER,
  rowHeader = ATSPI_ROLE_TABLE_ROW_HEADER,
  tearoffMenuItem = ATSPI_ROLE_TEAROFF_MENU_ITEM,
  terminal = ATSPI_ROLE_TERMINAL,
  text = ATSPI_ROLE_TEXT,
  toggleButton = ATSPI_ROLE_TOGGLE_BUTTON,
  toolBar = ATSPI_ROLE_TOOL_BAR,
  tree = ATSPI_ROLE_TREE,
  treeTable = ATSPI_ROLE_TREE_TABLE,
  viewport = ATSPI_ROLE_VIEWPORT,
  window = ATSPI_ROLE_WINDOW,
  paragraph = ATSPI_ROLE_PARAGRAPH,
  application = ATSPI_ROLE_APPLICATION,
  editbar = ATSPI_ROLE_EDITBAR,
  entry = ATSPI_ROLE_ENTRY,
  caption = ATSPI_ROLE_CAPTION,
  documentFrame = ATSPI_ROLE_DOCUMENT_FRAME,
  heading = ATSPI_ROLE_HEADING,
  section = ATSPI_ROLE_SECTION,
  link = ATSPI_ROLE_LINK,
  tableRow = ATSPI_ROLE_TABLE_ROW,
  treeItem = ATSPI_ROLE_TREE_ITEM,
  documentText = ATSPI_ROLE_DOCUMENT_TEXT,
  documentWeb = ATSPI_ROLE_DOCUMENT_WEB,
  documentEmail = ATSPI_ROLE_DOCUMENT_EMAIL,
  listBox = ATSPI_ROLE_LIST_BOX,
  imageMap = ATSPI_ROLE_IMAGE_MAP,
  levelBar = ATSPI_ROLE_LEVEL_BAR,
  article = ATSPI_ROLE_ARTICLE,
  landmark = ATSPI_ROLE_LANDMARK,
  staticText = ATSPI_ROLE_STATIC,
  descriptionList = ATSPI_ROLE_DESCRIPTION_LIST,
  pushButtonMenu = ATSPI_ROLE_PUSH_BUTTON_MENU,
};

// State numbers the mapping and the backend read.
enum class State : std::uint32_t {
  active = ATSPI_STATE_ACTIVE,
  busy = ATSPI_STATE_BUSY,
  defunct = ATSPI_STATE_DEFUNCT,
  editable = ATSPI_STATE_EDITABLE,
  focused = ATSPI_STATE_FOCUSED,
  multiLine = ATSPI_STATE_MULTI_LINE,
  showing = ATSPI_STATE_SHOWING,
  visible = ATSPI_STATE_VISIBLE,
};

// A set of states as the interface sends it: two 32-bit words.
struct States {
  std::uint64_t bits = 0;
  bool has(State s) const { return (bits >> static_cast<std::uint32_t>(s)) & 1U; }
};

struct MappedRole {
  std::string role;
  std::optional<std::string> subrole;
  bool operator==(const MappedRole&) const = default;
};

// The "AX..." role and subrole of an element with role number `role`, object attributes
// `attributes` and states `states`. Unknown numbers read as "AXGroup".
MappedRole mapRole(std::uint32_t role, const std::map<std::string, std::string>& attributes, States states);
// Whether the mapping of role number `role` reads the states at all (one-line and many-line
// fields): elsewhere the role and attributes alone decide.
bool mappingReadsStates(std::uint32_t role);

}  // namespace orvak::atspi
