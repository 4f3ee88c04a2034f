// The text field: editing by whole code points, selection, the clipboard, and
// how editing ends.
#include "tests/editor/editor_fixture.h"

namespace {

TextFieldView Field(std::string text, TextEntryRules rules = {}) {
  return TextFieldView(IText(18, COLOR_BLACK, "DejaVu Sans"), 120, 24, std::move(text),
                       std::move(rules));
}

ViewKey Key(EViewKey key, bool shift = false) {
  return ViewKey::Key(key, shift);
}

TEST(TextField, EditsWholeCodePoints) {
  TextFieldView field = Field("Größe");
  EXPECT_EQ(field.SelectionStart(), 0u);  // opens with everything selected
  EXPECT_EQ(field.SelectionEnd(), field.GetText().size());
  field.OnKey(Key(EViewKey::kEnd));
  field.OnKey(Key(EViewKey::kLeft));
  field.OnKey(Key(EViewKey::kLeft));
  field.OnKey(Key(EViewKey::kBackspace));  // the ö, both of its bytes
  EXPECT_EQ(field.GetText(), "Grße");
  field.OnKey(ViewKey::Text("\xE2\x82\xAC"));  // the euro sign
  field.OnKey(Key(EViewKey::kDelete));         // the ß
  EXPECT_EQ(field.GetText(),
            "Gr\xE2\x82\xAC"
            "e");
  field.OnKey(Key(EViewKey::kHome));
  field.OnKey(Key(EViewKey::kBackspace));  // nothing before the start
  field.OnKey(Key(EViewKey::kDelete));
  EXPECT_EQ(field.GetText(),
            "r\xE2\x82\xAC"
            "e");
  field.OnKey(ViewKey::Text("line\nbreak\t"));  // a field of one line
  EXPECT_EQ(field.GetText(),
            "linebreakr\xE2\x82\xAC"
            "e");
}

TEST(TextField, SelectsWithShiftAndReplacesTheSelection) {
  TextFieldView field = Field("Track Name");
  field.OnKey(Key(EViewKey::kHome));
  for (int i = 0; i < 5; ++i)
    field.OnKey(Key(EViewKey::kRight, true));
  EXPECT_EQ(field.SelectionEnd() - field.SelectionStart(), 5u);
  field.OnKey(ViewKey::Text("Bus"));
  EXPECT_EQ(field.GetText(), "Bus Name");
  field.OnKey(Key(EViewKey::kEnd, true));  // from the cursor to the end
  field.OnKey(Key(EViewKey::kLeft));       // collapses to the selection's start
  EXPECT_EQ(field.Cursor(), 3u);
  EXPECT_EQ(field.SelectionStart(), field.SelectionEnd());
}

TEST(TextField, CopiesCutsAndPastesThroughTheClipboard) {
  std::string clipboard;
  TextFieldView field(IText(), 100, 20, "Kick", {},
                      {[&](std::string* text) {
                         *text = clipboard;
                         return !clipboard.empty();
                       },
                       [&](const std::string& text) { clipboard = text; }});
  field.OnKey(ViewKey::Shortcut('c'));
  EXPECT_EQ(clipboard, "Kick");
  field.OnKey(ViewKey::Shortcut('x'));
  EXPECT_EQ(field.GetText(), "");
  field.OnKey(ViewKey::Shortcut('v'));
  field.OnKey(ViewKey::Shortcut('v'));
  EXPECT_EQ(field.GetText(), "KickKick");
  field.OnKey(ViewKey::Shortcut('a'));
  field.OnKey(ViewKey::Text("Snare"));
  EXPECT_EQ(field.GetText(), "Snare");
  EXPECT_FALSE(field.OnKey(ViewKey::Shortcut('q')));
  // Pasted line breaks and tabs each become one space; typed ones are dropped.
  clipboard = "Lead\r\nVox\nLeft\rDouble\tTake\n";
  field.OnKey(ViewKey::Shortcut('a'));
  field.OnKey(ViewKey::Shortcut('v'));
  EXPECT_EQ(field.GetText(), "Lead Vox Left Double Take ");
  field.OnKey(ViewKey::Shortcut('a'));
  field.OnKey(ViewKey::Text("A\tB\n"));
  EXPECT_EQ(field.GetText(), "AB");
}

TEST(TextField, ClicksPlaceTheCursorAndDragsSelect) {
  TextFieldView field = Field("abcdefgh");
  field.OnMouseDown(0, 10, false, 1);
  EXPECT_EQ(field.Cursor(), 0u);
  field.OnMouseDown(119, 10, false, 1);
  EXPECT_EQ(field.Cursor(), 8u);
  field.OnMouseDrag(0, 10);
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 8u);
  field.OnMouseDown(60, 10, false, 1);
  const std::size_t middle = field.Cursor();
  EXPECT_GT(middle, 0u);
  EXPECT_LT(middle, 8u);
  field.OnMouseDown(60, 10, false, 2);
  EXPECT_EQ(field.SelectionEnd() - field.SelectionStart(), 8u);
}

// Takes the text a field hands back.
class NameField : public IControl {
 public:
  NameField(IEffectBase* plug, IRECT rect) : IControl(plug, rect) {}
  bool Draw(IGraphics*) override { return true; }
  void TextFromTextEntry(const char* text) override { mName = text; }
  std::string mName = "Track Name";
};

TEST_F(EditorTest, TheFieldHandsItsTextBackOrDropsIt) {
  NameField* name = Add<NameField>(IRECT(0, 170, 135, 200));
  AttachToPlug();
  const IText style(18, COLOR_BLACK, "Futura");
  gui->CreateTextEntry(name, style, name->GetRECT(), name->mName.c_str(), nullptr);
  ASSERT_NE(gui->GetTextField(), nullptr);
  gui->CreateTextEntry(name, style, name->GetRECT(), "second", nullptr);  // one at a time
  EXPECT_EQ(gui->GetTextField()->GetText(), "Track Name");
  // Without a parameter there is no filter and no limit.
  gui->TextFieldKey(ViewKey::Text("Overheads left & right"));
  EXPECT_TRUE(gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn)));
  EXPECT_EQ(gui->GetTextField(), nullptr);
  EXPECT_EQ(name->mName, "Overheads left & right");
  // Focus leaving commits as Return does.
  gui->CreateTextEntry(name, style, name->GetRECT(), "Kick", nullptr);
  gui->EndTextField(true);
  EXPECT_EQ(name->mName, "Kick");
  name->mName = "Overheads left & right";
  // Escape, the host's wheel (ForceEndUserEdit) and closing drop the text.
  gui->CreateTextEntry(name, style, name->GetRECT(), "x", nullptr);
  gui->TextFieldKey(ViewKey::Text("Bass"));
  gui->TextFieldKey(ViewKey::Key(EViewKey::kEscape));
  gui->CreateTextEntry(name, style, name->GetRECT(), "x", nullptr);
  gui->TextFieldKey(ViewKey::Text("Bass"));
  gui->ForceEndUserEdit();
  gui->CreateTextEntry(name, style, name->GetRECT(), "x", nullptr);
  gui->TextFieldKey(ViewKey::Text("Bass"));
  gui->CloseWindow();
  EXPECT_EQ(name->mName, "Overheads left & right");
  // With the window closed no field opens.
  gui->CreateTextEntry(name, style, name->GetRECT(), "x", nullptr);
  EXPECT_EQ(gui->GetTextField(), nullptr);
}

}  // namespace
