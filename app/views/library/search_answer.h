// The two panes that take the page's place while the user searches or asks: `SearchResults`, the
// saved items matching the bar's text under a button that asks about them instead; and
// `AskResult`, a question on its way, its answer with raised citation marks and the sources it
// cites, or the failure.
#pragma once

#include <functional>
#include <vector>

#include "app/views/library/pane_scroll.h"

namespace orvak::views::library {

// A text with raised citation marks: plain runs in the text's colour, marks in the accent
// colour, 11 px semibold, raised 6 px. Wraps and can be selected.
class MarkedText : public QLabel {
 public:
  MarkedText(const std::vector<panes::Segment>& segments, const QFont& font, double lineSpacing,
             QWidget* parent = nullptr);
  void setSegments(const std::vector<panes::Segment>& segments);
  const std::vector<panes::Segment>& segments() const { return segments_; }
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void render();
  std::vector<panes::Segment> segments_;
  double lineSpacing_;
  look::Appearance builtFor_;
};

class SearchResults : public PaneScroll {
 public:
  explicit SearchResults(const PaneContext& ctx, QWidget* parent = nullptr);
  ~SearchResults() override;
  void rebuild();

  QAbstractButton* askButton() const { return ask_; }
  Text* countLine() const { return count_; }
  const std::vector<SavedCard*>& cards() const { return pool_.cards(); }

 private:
  PaneContext ctx_;
  CardPool pool_;
  QAbstractButton* ask_;
  Text* count_;
  QVBoxLayout* body_;
  std::uint64_t notesToken_ = 0;
};

class AskResult : public PaneScroll {
 public:
  AskResult(const PaneContext& ctx, std::function<void()> focusBar, QWidget* parent = nullptr);
  ~AskResult() override;
  void rebuild();

  // What is on screen now, for tests: the state's texts, the buttons, the cards.
  QString stateText() const;
  SmallButton* hearIt() const { return hearIt_; }
  QAbstractButton* documentButton() const { return document_; }
  QAbstractButton* followUp() const { return followUp_; }
  QAbstractButton* back() const { return back_; }
  MarkedText* answer() const { return answer_; }
  int sourceCards() const { return sourceCards_; }

 private:
  void updateWriting();
  PaneContext ctx_;
  std::function<void()> focusBar_;
  QAbstractButton* back_;
  QVBoxLayout* body_;
  SmallButton* hearIt_ = nullptr;
  QAbstractButton* document_ = nullptr;
  QAbstractButton* followUp_ = nullptr;
  Spinner* writingSpinner_ = nullptr;
  MarkedText* answer_ = nullptr;
  int sourceCards_ = 0;
  std::vector<SavedCard*> savedCards_;  // the cited saved items' cards
  std::vector<QString> texts_;
  std::uint64_t libToken_ = 0;
  std::uint64_t notesToken_ = 0;
};

}  // namespace orvak::views::library
