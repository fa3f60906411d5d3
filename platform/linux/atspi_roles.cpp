#include "platform/linux/atspi_roles.h"

#include <array>
#include <string_view>
#include <utility>

namespace orvak::atspi {

namespace {

// ARIA roles (first word of "xml-roles") that carry a subrole of their own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kXmlSubroles = {{
    {"navigation", "AXLandmarkNavigation"},
    {"banner", "AXLandmarkBanner"},
    {"contentinfo", "AXLandmarkContentInfo"},
    {"complementary", "AXLandmarkComplementary"},
    {"search", "AXLandmarkSearch"},
    {"main", "AXLandmarkMain"},
    {"region", "AXLandmarkRegion"},
    {"article", "AXDocumentArticle"},
    {"dialog", "AXApplicationDialog"},
    {"alertdialog", "AXApplicationAlertDialog"},
    {"searchbox", "AXSearchField"},
    {"tab", "AXTabButton"},
}};

std::optional<std::string> attribute(const std::map<std::string, std::string>& attributes, const char* key) {
  const auto it = attributes.find(key);
  if (it == attributes.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> xmlSubrole(const std::map<std::string, std::string>& attributes) {
  const auto roles = attribute(attributes, "xml-roles");
  if (!roles) return std::nullopt;
  const std::string first = roles->substr(0, roles->find(' '));
  for (const auto& [aria, subrole] : kXmlSubroles) {
    if (first == aria) return std::string(subrole);
  }
  return std::nullopt;
}

std::string baseRole(Role r, const std::map<std::string, std::string>& attributes, States states) {
  const bool web = attributes.contains("tag");
  switch (r) {
    case Role::application: return "AXApplication";
    case Role::frame:
    case Role::window:
      return "AXWindow";
    case Role::dialog:
    case Role::alert:
    case Role::fileChooser:
      return web ? "AXGroup" : "AXWindow";
    case Role::documentWeb:
    case Role::documentFrame:
    case Role::documentEmail:
      return "AXWebArea";
    case Role::heading: return "AXHeading";
    case Role::link: return "AXLink";
    case Role::staticText: {
      // A text run has no tag; inline elements (emphasis, code ...) are groups of runs.
      const auto tag = attribute(attributes, "tag");
      return !tag || *tag == "::marker" ? "AXStaticText" : "AXGroup";
    }
    case Role::label:
    case Role::caption:
      return "AXStaticText";
    case Role::text:
    case Role::entry:
    case Role::editbar:
      // Toolkits differ on the role of a one-line field; its states tell.
      if (states.has(State::multiLine)) return "AXTextArea";
      if (states.has(State::editable) || r != Role::text) return "AXTextField";
      return "AXStaticText";
    case Role::terminal: return "AXTextArea";
    case Role::passwordText: return "AXSecureTextField";
    case Role::list:
    case Role::listBox:
    case Role::descriptionList:
      return "AXList";
    case Role::table:
    case Role::treeTable:
      return "AXTable";
    case Role::tree: return "AXOutline";
    case Role::tableRow:
    case Role::treeItem:
      return "AXRow";
    case Role::tableCell:
    case Role::columnHeader:
    case Role::rowHeader:
      return "AXCell";
    case Role::pushButton:
    case Role::pushButtonMenu:
      return "AXButton";
    case Role::toggleButton:
    case Role::checkBox:
      return "AXCheckBox";
    case Role::radioButton: return "AXRadioButton";
    case Role::pageTab:
      // A web page's tab is a button; a toolkit's page tab holds its page (GTK puts a tabbed
      // editor's whole document inside it), which must be walked and kept.
      return web ? "AXRadioButton" : "AXGroup";
    case Role::comboBox: return "AXComboBox";
    case Role::menu:
    case Role::popupMenu:
      return "AXMenu";
    case Role::menuBar: return "AXMenuBar";
    case Role::menuItem:
    case Role::checkMenuItem:
    case Role::radioMenuItem:
    case Role::tearoffMenuItem:
      return "AXMenuItem";
    case Role::scrollBar: return "AXScrollBar";
    case Role::scrollPane:
    case Role::viewport:
      return "AXScrollArea";
    case Role::slider: return "AXSlider";
    case Role::spinButton: return "AXIncrementor";
    case Role::progressBar:
    case Role::levelBar:
      return "AXProgressIndicator";
    case Role::separator: return "AXSplitter";
    case Role::splitPane: return "AXSplitGroup";
    case Role::image:
    case Role::icon:
    case Role::imageMap:
    case Role::canvas:
      return "AXImage";
    case Role::toolBar: return "AXToolbar";
    case Role::pageTabList: return "AXTabGroup";
    case Role::dateEditor: return "AXDateField";
    case Role::colorChooser: return "AXColorWell";
    default: break;
  }
  if (attribute(attributes, "tag") == "figure") return "AXFigure";
  return "AXGroup";
}

}  // namespace

bool mappingReadsStates(std::uint32_t role) {
  const Role r = static_cast<Role>(role);
  return r == Role::text || r == Role::entry || r == Role::editbar;
}

MappedRole mapRole(std::uint32_t role, const std::map<std::string, std::string>& attributes, States states) {
  const Role r = static_cast<Role>(role);
  MappedRole m{baseRole(r, attributes, states), std::nullopt};
  if (m.role == "AXWindow") {
    m.subrole = r == Role::frame || r == Role::window ? "AXStandardWindow" : "AXDialog";
    return m;
  }
  m.subrole = xmlSubrole(attributes);
  if (!m.subrole) {
    if (r == Role::article) m.subrole = "AXDocumentArticle";
    if (r == Role::dialog || r == Role::fileChooser) m.subrole = "AXApplicationDialog";
    if (r == Role::alert) m.subrole = "AXApplicationAlertDialog";
    if (r == Role::pageTab && m.role == "AXRadioButton") m.subrole = "AXTabButton";
  }
  // A search box is a text field whatever ARIA adds.
  if (m.subrole == "AXSearchField" && m.role != "AXTextField") m.subrole.reset();
  return m;
}

}  // namespace orvak::atspi
