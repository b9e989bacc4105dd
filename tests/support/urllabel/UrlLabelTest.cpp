#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "support/urllabel/VelUrlLabel.h"

namespace {

TUrlParts Parts(TUrlType type, const std::string& url) {
  TUrlParts p;
  p.URLType = type;
  p.URL = url;
  return p;
}

}  // namespace

TEST(UrlLabel, SchemesOfEveryType) {
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utHttp, "host/a")), "http://host/a");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utHttps, "host/a")), "https://host/a");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utFile, "/tmp/x")), "file:///tmp/x");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utFtp, "h")), "ftp://h");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utGopher, "h")), "gopher://h");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utNews, "g")), "news:g");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utTelnet, "h")), "telnet:h");
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utWais, "h")), "wais:h");
  TUrlParts custom = Parts(TUrlType::utCustom, "example.org");
  EXPECT_EQ(BuildUrl(custom), "example.org");
  custom.CustomURLType = "irc://";
  EXPECT_EQ(BuildUrl(custom), "irc://example.org");
  // Mail fields belong to mail links only.
  TUrlParts http = Parts(TUrlType::utHttp, "h");
  http.MailSubject = "s";
  EXPECT_EQ(BuildUrl(http), "http://h");
}

TEST(UrlLabel, MailFieldsInOrder) {
  TUrlParts p = Parts(TUrlType::utMail, "user");
  EXPECT_EQ(BuildUrl(p), "mailto:user");
  p.MailBody = {"x"};
  EXPECT_EQ(BuildUrl(p), "mailto:user?Body=x%0A%0D");
  p.MailSubject = "Hi";
  EXPECT_EQ(BuildUrl(p), "mailto:user?Subject=Hi&Body=x%0A%0D");
  p.Cc = "c@h";
  p.Bcc = "b@h";
  EXPECT_EQ(BuildUrl(p), "mailto:user?Subject=Hi&Body=x%0A%0D&Bcc=b@h&Cc=c@h");
  p = Parts(TUrlType::utMail, "user");
  p.Cc = "c@h";
  EXPECT_EQ(BuildUrl(p), "mailto:user?Cc=c@h");
  // The prefix is always added.
  EXPECT_EQ(BuildUrl(Parts(TUrlType::utMail, "mailto:a")), "mailto:mailto:a");
}

TEST(UrlLabel, BodyLineEnds) {
  EXPECT_EQ(EncodeMailBody({}), "");
  EXPECT_EQ(EncodeMailBody({"a", "b"}), "a%0A%0Db%0A%0D");
  // A CR LF inside a line is replaced too; a lone CR or LF is not.
  EXPECT_EQ(EncodeMailBody({"a\r\nb"}), "a%0A%0Db%0A%0D");
  EXPECT_EQ(EncodeMailBody({"a\rb\nc"}), "a\rb\nc%0A%0D");
  // Left to right: "\r\r\n" keeps its first CR.
  EXPECT_EQ(EncodeMailBody({"\r"}), "\r%0A%0D");
  // Nothing else is escaped.
  EXPECT_EQ(EncodeMailBody({"50% & ?=#"}), "50% & ?=#%0A%0D");
  EXPECT_EQ(EncodeMailBody({""}), "%0A%0D");
}

TEST(UrlLabel, CaptionShowsAsWritten) {
  TVelUrlLabel label(0, 0, 100, 20, "user@example.org");
  EXPECT_EQ(label.Caption(), "user@example.org");
  EXPECT_STREQ(label.label(), "user@@example.org");  // no symbol for the toolkit
  label.SetCaption("@@x@");
  EXPECT_EQ(label.Caption(), "@@x@");
}

TEST(UrlLabel, HintFollowsTheUrl) {
  TVelUrlLabel label(0, 0, 100, 20, "link");
  EXPECT_EQ(label.URLType(), TUrlType::utCustom);
  EXPECT_EQ(label.Hint(), "");
  label.SetURLType(TUrlType::utHttp);
  label.SetURL("host/a");
  EXPECT_EQ(label.Hint(), "http://host/a");
  label.SetURLType(TUrlType::utMail);
  label.SetURL("user");
  label.SetMailSubject("Hi");
  label.SetMailBody({"x"});
  EXPECT_EQ(label.Hint(), "mailto:user?Subject=Hi&Body=x%0A%0D");
  label.SetBcc("b");
  label.SetCc("c");
  EXPECT_EQ(label.Hint(), label.BuildUrl());

  // Switched off, a built hint is cleared; a hint of one's own stays.
  label.SetShowUrlHint(false);
  EXPECT_EQ(label.Hint(), "");
  label.SetURL("other");
  EXPECT_EQ(label.Hint(), "");
  label.SetShowUrlHint(true);
  EXPECT_EQ(label.Hint(), "mailto:other?Subject=Hi&Body=x%0A%0D&Bcc=b&Cc=c");
  label.SetHint("my own hint");
  label.SetShowUrlHint(false);
  EXPECT_EQ(label.Hint(), "my own hint");
}

TEST(UrlLabel, MouseColoursAndUnderline) {
  TVelUrlLabel label(0, 0, 100, 20, "link");
  EXPECT_EQ(label.labelcolor(), TVelUrlLabel::clNavy);
  int entered = 0, left = 0;
  label.OnMouseEnter = [&] { ++entered; };
  label.OnMouseLeave = [&] { ++left; };
  label.MouseEnter();
  EXPECT_EQ(label.labelcolor(), TVelUrlLabel::clBlue);
  EXPECT_TRUE(label.Underlined());
  label.MouseLeave();
  EXPECT_EQ(label.labelcolor(), TVelUrlLabel::clNavy);
  EXPECT_FALSE(label.Underlined());
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);

  label.SetUnderlineOnEnter(false);
  label.SetActiveColor(FL_RED);
  label.MouseEnter();
  EXPECT_EQ(label.labelcolor(), FL_RED);
  EXPECT_FALSE(label.Underlined());
  label.MouseLeave();

  // Ignoring the mouse: always underlined, colours stay, events still fire.
  label.SetDetectMouse(false);
  EXPECT_TRUE(label.Underlined());
  label.MouseEnter();
  label.MouseLeave();
  EXPECT_EQ(label.labelcolor(), TVelUrlLabel::clNavy);
  EXPECT_TRUE(label.Underlined());
  EXPECT_EQ(entered, 3);
  label.SetDetectMouse(true);
  EXPECT_FALSE(label.Underlined());
}

TEST(UrlLabel, ClickOpensTheBuiltUrlWithoutAShell) {
  std::vector<std::string> opened;
  TVelUrlLabel::SetOpenHook([&](const std::string& url) { opened.push_back(url); });
  TVelUrlLabel label(0, 0, 100, 20, "mail");
  label.SetURLType(TUrlType::utMail);
  label.SetURL("user@example.org");
  label.SetMailSubject("a b; $(rm -rf x) `id` 'q'");
  label.SetMailBody({"line 1", "line 2"});
  label.Click();
  TVelUrlLabel::SetOpenHook(nullptr);
  ASSERT_EQ(opened.size(), 1u);
  const std::string expected =
      "mailto:user@example.org?Subject=a b; $(rm -rf x) `id` 'q'&Body=line 1%0A%0Dline 2%0A%0D";
  EXPECT_EQ(opened[0], expected);
  // The opener gets the URL as one argument, as it stands: no shell ever
  // parses it, so blanks, quotes and "$(...)" are harmless.
  EXPECT_EQ(platform::OpenUrlCommand(opened[0]), (std::vector<std::string>{"xdg-open", expected}));
}
