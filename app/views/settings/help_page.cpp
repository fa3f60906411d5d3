#include "app/views/settings/help_page.h"

#include <QVBoxLayout>

#include "app/prefs.h"
#include "app/settings/cheat_sheet.h"
#include "app/settings/help_text.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/cheat_sheet_view.h"
#include "app/views/settings/rows.h"

namespace orvak::views::settings {
namespace {

using look::qs;

}  // namespace

HelpPage::HelpPage(Prefs& prefs, Actions actions, QWidget* parent)
    : QWidget(parent), prefs_(prefs), actions_(std::move(actions)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(22);
  const std::string key = CheatSheet::keyName(prefs_.hotkeyCode());

  intro_ = new look::InkLabel(qs(HelpText::introduction(key)), look::systemFont(14), look::Margin::ink2, this);
  intro_->setWordWrap(true);
  intro_->setMaximumWidth(520);
  intro_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(intro_);

  auto* say = new MSection("Everything you can say", this);
  sheet_ = new CheatSheetView(qs(key), false);
  auto* sheetBox = new QWidget;
  auto* sheetPad = new QVBoxLayout(sheetBox);
  sheetPad->setContentsMargins(0, 14, 0, 14);
  sheetPad->addWidget(sheet_);
  say->add(sheetBox);
  column->addWidget(say);

  auto* privacy = new MSection("Privacy", this);
  privacy->addRow("Questions and summaries",
                  QString("To answer, the page you're reading (or the parts of your library that matter) goes to "
                          "Orvak's server. It's used for that answer only and not kept."),
                  nullptr);
  privacy->addRow("Your library stays on this computer",
                  QString("Highlights, notes, documents and the pages you listened to are kept only here. Turn off "
                          "or clear listening history in Library → Listened. Private windows are never kept."),
                  nullptr);
  column->addWidget(privacy);

  auto* setup = new MSection("Setup", this);
  setup_ = new look::MarginButton("Open Setup…", false);
  setup->addRow("Run setup again", QString("Permissions, the voice, your key and the first read."), setup_);
  feedback_ = new look::MarginButton("Send Feedback…", false);
  setup->addRow("Send feedback", QString("What's working, what isn't, what you wish Orvak did."), feedback_);
  // Updates come from the package manager or wherever Orvak was installed from; there is nothing
  // for the application to check.
  versionRow_ =
      setup->addRow(qs(HelpText::versionLabel()), QString("Updates come from where you installed Orvak."), nullptr);
  column->addWidget(setup);
  column->addStretch(1);

  connect(setup_, &QAbstractButton::clicked, this, [this] {
    if (actions_.showOnboarding) actions_.showOnboarding();
  });
  connect(feedback_, &QAbstractButton::clicked, this, [this] {
    if (!actions_.showFeedback) return;
    actions_.showFeedback(actions_.signedInEmail ? actions_.signedInEmail() : std::nullopt);
  });
  observer_ = prefs_.addObserver([this](Prefs::Setting s) {
    if (s == Prefs::Setting::hotkeyCode) follow();
  });
}

HelpPage::~HelpPage() { prefs_.removeObserver(observer_); }

void HelpPage::follow() {
  const std::string key = CheatSheet::keyName(prefs_.hotkeyCode());
  intro_->setText(qs(HelpText::introduction(key)));
  sheet_->setKey(qs(key));
}

}  // namespace orvak::views::settings
