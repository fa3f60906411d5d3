#include "core/page/document_editor.h"

#include <gtest/gtest.h>

namespace {

TEST(DocumentEditor, OnlyTheEditorsOwnDocumentPagesCount) {
  const struct {
    const char* address;
    bool document;
  } cases[] = {
      {"https://docs.google.com/document/d/1abc/edit", true},
      {"https://DOCS.google.com/document/d/1abc/edit#heading=h.1", true},
      {"https://docs.google.com/spreadsheets/d/1abc/edit", false},
      {"https://docs.google.com/", false},
      {"https://example.org/docs.google.com/document/d/1", false},
      {"https://example.org/?next=https://docs.google.com/document/d/1", false},
      {"https://docs.google.com.evil.example/document/d/1", false},
      {"https://docs.google.com/a/b#/document/", false},
      {"docs.google.com/document/d/1", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(orvak::documentEditor::isDocumentAddress(c.address), c.document) << c.address;
}

}  // namespace
