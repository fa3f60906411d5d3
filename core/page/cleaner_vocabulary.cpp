#include <algorithm>
#include "core/page/cleaner_vocabulary.h"

namespace orvak::Cleaner {

using text::Regex;
using text::RegexFlags;

Vocabulary::Vocabulary()
    : countPattern(R"(^[\d.,]+\s?[KkMmBb]?$)"),
      creditPattern(
          R"((?i)\b(credits?|photo|photograph|image|illustration)\s*:|getty images|\(ap photo|associated press\b|reuters/|afp via)"),
      bylinePattern(R"(^(?i:by)\s+\p{Lu}[\p{L}.'’-]+(\s+(\p{Lu}[\p{L}.'’-]+|and|&)){0,6}\s*(,.*)?$)") {
  Vocabulary& v = *this;
  v.dropRoles = {
      "AXButton",        "AXMenuButton",     "AXPopUpButton",       "AXCheckBox",      "AXRadioButton",
      "AXSlider",        "AXIncrementor",    "AXComboBox",          "AXTextField",     "AXSearchField",
      "AXToolbar",       "AXMenuBar",        "AXMenuBarItem",       "AXMenu",          "AXMenuItem",
      "AXScrollBar",     "AXDisclosureTriangle", "AXSplitter",      "AXGrowArea",      "AXValueIndicator",
      "AXBusyIndicator", "AXProgressIndicator",  "AXImage",         "AXTabButton",     "AXSecureTextField",
      "AXColorWell",     "AXDateField",      "AXTimeField",
  };
  v.dropSubroles = {
      "AXLandmarkNavigation", "AXLandmarkBanner", "AXLandmarkContentInfo", "AXLandmarkComplementary",
      "AXLandmarkSearch",     "AXApplicationDialog", "AXApplicationAlertDialog", "AXDialog",
      "AXTabButton",          "AXSearchField",    "AXSecureTextField",     "AXTimeGroup",
  };
  v.containerRoles = {"AXGroup", "AXList", "AXOutline", "AXScrollArea", "AXTable", "AXBrowser", "AXSplitGroup"};
  v.junkClassSubstrings = {
      "advert",  "sponsor", "promo",   "teads",    "outbrain", "taboola",    "newsletter", "related",
      "most-read", "mostread", "recirc", "comments", "social", "share-",     "credit",     "tags",
      "paywall", "donat",   "cookie",  "consent",  "caption",  "byline",     "kicker",     "eyebrow",
      "dateline", "author-bio", "authorbio", "interlude",
  };
  v.sidebarClasses = {
      "sidebar", "nav",     "navigation", "menu",         "footer",        "header",   "advertisement", "ad", "ads",
      "popup",   "modal",   "overlay",    "social-media", "share",         "related-posts", "comments", "slug",
  };
  v.priorityClasses = {
      "main-content", "content", "post-content", "article-content", "entry-content",
      "kix-page",     "doc-content", "article-content__body", "reader-article-content",
  };
  v.uiLabels = {
      "reply", "replies", "like", "likes", "share", "repost", "reposts", "retweet", "follow", "following",
      "more", "show more", "see more", "read more", "show less", "copy link", "skip to content",
      "skip to main content", "advertisement", "sponsored", "ad", "promoted", "subscribe", "sign in",
      "log in", "sign up", "menu", "close", "search", "home", "back", "next", "previous", "cancel",
      "accept", "accept all", "reject all", "cookie settings", "manage cookies", "translate post",
      "edited", "(edited)", "view", "view more", "load more", "show this thread", "post", "quote",
      "bookmark", "views", "new", "pinned", "open", "expand", "collapse", "thread", "more actions",
      "ai can make mistakes, so double-check responses", "ai can make mistakes. check important info.",
      "ai can make mistakes, so double-check it", "try without personalization",
      "ai responses may include mistakes.", "ai responses may include mistakes. learn more",
      "can make mistakes. check important info.", "show more ai answers", "ai overview", "ai mode", "copy",
      "good response", "bad response", "regenerate", "share this answer",
  };
  v.mailLabels = {
      "external", "to me", "unsubscribe", "read in app", "view in app", "open in app", "view in browser",
      "view online", "view this email in your browser", "view this post on the web",
      "forwarded this email? subscribe here for more", "reply", "reply all", "forward", "show quoted text",
      "show trimmed content", "translate message", "summarize this email", "inbox", "important", "starred",
      "draft", "drafts", "sent", "spam", "promotions", "updates", "social", "forums", "like", "comment",
      "restack", "share", "listen", "upgrade to paid", "get the app",
  };
  // One consumer webmail of one provider; the consumer and two business webmail hosts of another.
  v.mailHosts = {"mail.google.com", "outlook.live.com", "outlook.office.com", "outlook.office365.com"};
  // The last marker is the prefix both business hosts above share.
  v.webmailMarkers = {"mail.google.com", "outlook.live.com", "outlook.office"};
  v.backMatterHeadings = {
      "references", "see also", "external links", "further reading", "citations", "bibliography",
      "footnotes", "works cited", "notes and references", "explanatory notes", "references and notes",
      "literature cited",
  };

  const auto ci = RegexFlags::caseInsensitive;
  const auto lines = RegexFlags::caseInsensitive | RegexFlags::multiline;
  for (const char* p : {
           R"(^\d{1,2}:\d{2}(:\d{2})?\s?([AaPp]\.?\s?[Mm]\.?)?(\s?(ET|PT|CT|MT|EST|EDT|PST|PDT|CST|CDT|GMT|UTC|BST))?$)",
           R"(^(today|yesterday)(\s+at\s+.*)?$)",
           R"(^\d+\s?(s|m|h|d|w|mo|y|sec|secs|min|mins|hr|hrs|minutes?|hours?|days?|weeks?|months?|years?)(\s+ago)?$)",
           R"(^(jan|feb|mar|apr|may|jun|jul|aug|sep|sept|oct|nov|dec)[a-z]*\.?\s+\d{1,2}(,?\s+\d{4})?(\s*(at|,)?\s*\d{1,2}:\d{2}\s?([ap]m)?)?$)",
           R"(^\d{1,2}[/.-]\d{1,2}[/.-]\d{2,4}(,?\s+\d{1,2}:\d{2}\s?([ap]m)?)?$)",
           R"(^(mon|tue|wed|thu|fri|sat|sun)[a-z]*,?(\s+\d{1,2}:\d{2}\s?([ap]m)?)?$)",
       }) {
    v.timestampPatterns.emplace_back(p, ci);
  }
  for (const char* p : {
           R"(^to (me|.{1,40}, me|me, .{1,40}|me and \d+ others?)$)",
           R"(^.{0,48}\((\d+\s+(minutes?|hours?|days?|weeks?|months?)|an? (minute|hour|day|week|month))\s+ago\)$)",
           R"(^\S.{0,60}\s<?[^\s@<>]+@[^\s@<>]+\.[a-z]{2,}>?(\s+\S+)?$)",
           R"(^<?[^\s@<>]+@[^\s@<>]+\.[a-z]{2,}>?$)",
       }) {
    v.mailPatterns.emplace_back(p, ci);
  }
  for (const char* p : {
           R"((?:^|(?<=\s))On (?:(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun)[a-z]*,?|\d{1,2}[/ .-]|(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)[a-z]* \d)[^\n]{4,200}?wrote:)",
           R"(^Le .{4,200}a écrit\s?:\s*$)",
           R"(^Am .{4,200}schrieb.{0,60}:\s*$)",
           R"(^El .{4,200}escribió:\s*$)",
           R"(^-{2,}\s*Original Message\s*-{2,})",
           R"(^From: .+\n(Sent|Date): )",
           R"(^--\s?$)",
           R"((?:^|(?<=\s))(Sent from my (iPhone|iPad|Android|phone|mobile device)|Get Outlook for (iOS|Android))\b)",
       }) {
    v.replyMarkers.emplace_back(p, lines);
  }
}

const Vocabulary& vocabulary() {
  static const Vocabulary v;
  return v;
}

}  // namespace orvak::Cleaner
