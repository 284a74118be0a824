// The main window: construction, layout, life cycle and window procedure.
#include "viewer/VastrelForm.h"

#include <shellapi.h>
#include <shlobj.h>

#include "controls/MyTrackBar.h"
#include "controls/NewTrackBar.h"
#include "controls/ColorProgressBar.h"
#include "controls/NumberEdit.h"
#include "controls/ShellLink.h"
#include "framework/Application.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Cp932.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/MessageService.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "framework/Thread.h"
#include "framework/Timer.h"
#include "text/PathText.h"
#include "viewer/IniStore.h"
#include "viewer/PathRoutines.h"
#include "viewer/SingleInstance.h"
#include "viewer/UpdateThreadUnit.h"

TVastrelForm* VastrelForm = nullptr;

std::wstring TVastrelForm::ProgramFolderOverride;
int TVastrelForm::SystemLevelOverride = -1;
std::vector<std::wstring> TVastrelForm::ArgumentsOverride;

namespace {
std::string J(const char* utf8) { return Cp932FromUtf8(utf8); }

template <class T>
T* Named(T* control, const char* name) {
  control->Name = name;
  return control;
}
}  // namespace

TVastrelForm::TVastrelForm(TForm* owner) : TForm(owner, L"TVastrelForm") {
  VastrelForm = this;
  SetText(Application->Title().empty() ? std::string("Vastrel") : Application->Title());
  SetBounds(CW_USEDEFAULT, CW_USEDEFAULT, 1000, 660);

  // 1-3: controls, their glyphs and hints.
  BuildLayout();
  ApplyHints();

  // 4: room of a horizontal scroll bar, for the page layout.
  HScrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);

  // The system level decides the file and ini paths of what follows.
  DecideSystemLevel();

  // 6: folders beside the program and the store paths (the program's path,
  // which step 5 needs, comes from them).
  std::wstring folder = ProgramFolderOverride.empty() ? ProgramFolder() : ProgramFolderOverride;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  Paths = MakeStorePaths(folder);
  PrepareDataFolders(Paths);

  // 5: the shell-link service; the Windows folder, and whether the program's
  // shortcut stands in the Send To folder.
  ShellLink1 = new TShellLink();
  WindowsFolder = ShellLink1->GetPath(0x24);
  SendToLink = ProgramLinkExists(9);

  // 7: settings and the last folder.
  Settings = LoadViewerSettings(Paths.settingsFile, UnicodeMode);
  LastFolder = LoadLastFolder(Paths, UnicodeMode);
  UpDown1->SetPosition(Settings.EditMaxMB);
  UpDown2->SetPosition(Settings.PageSizeKB);
  N22->SetChecked(Settings.SearchCaseSensitive);
  N3->SetChecked(Settings.SearchKanaSensitive);

  // 8: fonts and item heights.
  Memo1->Font().SetSize(Settings.FontSize);
  ListView1->Font().SetSize(Settings.FontSize);
  ListBox1->Font().SetSize(Settings.FontSize);
  ListBox2->Font().SetSize(Settings.FontSize);
  ListView1->Font().SetColor(Memo1->Font().Color());
  ListBox1->Font().SetColor(Memo1->Font().Color());
  BockListBox1->Font().SetSize(Settings.BookmarkFontSize);
  Memo1->DoubleBuffered = ListView1->DoubleBuffered = ListBox1->DoubleBuffered = StatusBar1->DoubleBuffered = true;
  int fontPixels = -ListBox1->Font().Height();
  BockListBox1->SetItemHeight(8 + 2 * -BockListBox1->Font().Height());
  ListBox1->SetItemHeight(fontPixels);
  ListBox2->SetItemHeight(-ListBox2->Font().Height());

  // 9: the tool-menu marker item stays hidden.
  ToolPrsMenu->SetVisible(false);

  // 10: the progress bar's style on screens of more than 10 bits per pixel.
  {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    if (bits > 10) ColorProgressBar1->SetBarStyle(btWin7);
  }

  // 11-12 were decided above; the page-size control of Windows 95/98.
  if (SystemLevel == 0) UpDown2->SetMax(64);

  // 13: administrator rights on NT-class systems.
  WarnIfNotAdmin();

  // 14: the window procedures and the key routing are installed with the
  // windows (FormCreate); the application's hint event shows the long hint
  // in the status bar.
  Application->OnHint = [this] {
    if (StatusBar1->PanelCount() > 3) StatusBar1->Panel(3)->SetText(Application->Hint());
  };

  OnCreate = [this](TWinControl* s) { FormCreate(s); };
  OnShow = [this](TWinControl* s) { FormShow(s); };
  OnCloseQuery = [this](TWinControl* s, bool& c) { FormCloseQuery(s, c); };
  OnDestroy = [this](TWinControl* s) { FormDestroy(s); };
  CheckBox2->OnClick = [this](TWinControl*) { CheckBox2Click(); };
  Panel5->OnResize = [this](TWinControl*) { Panel5Resize(); };
}

TVastrelForm::~TVastrelForm() {
  delete store_;
  delete MainMenu1;
  delete PopupMenu1;
  delete PopupMenu2;
  delete PopupMenu3;
  delete PopupMenu4;
  delete Timer1;
  delete Timer2;
  delete Timer3;
  delete Timer4;
  delete Timer5;
  delete LineProgressTimer;
  delete ImageList1;
  delete ShellLink1;
  if (VastrelForm == this) VastrelForm = nullptr;
}

void TVastrelForm::DecideSystemLevel() {
  HasQueryFullProcessImageName = HasQueryFullProcessImageNameW();
  if (SystemLevelOverride >= 0) {
    SystemLevel = SystemLevelOverride;
  } else {
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;  // the 148-byte form
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&vi);
#pragma GCC diagnostic pop
    SystemLevel = pathtext::SystemLevel(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion, HasQueryFullProcessImageName);
  }
  UnicodeMode = SystemLevel > 1;
}

void TVastrelForm::WarnIfNotAdmin() {
  if (!UnicodeMode) return;
  typedef BOOL(WINAPI * IsUserAnAdminProc)();
  bool admin = false;
  if (HMODULE shell = LoadLibraryA("SHELL32.dll")) {
    auto proc = reinterpret_cast<IsUserAnAdminProc>(GetProcAddress(shell, MAKEINTRESOURCEA(680)));
    admin = proc && proc();
    FreeLibrary(shell);
  }
  if (!admin) {
    ShowMessage(J("管理者として実行して下さい。\nこのまま実行した場合、環境設定やファイル等の操作を\n"
                  "正しく行うことが出来ない場合が有ります。"));
  }
}

void TVastrelForm::BuildMenus() {
  MainMenu1 = new TMainMenu();
  TMenuItem* root = &MainMenu1->Items;
  File1 = new TMenuItem(root, J("ファイル(&F)"), "File1");
  Open1 = new TMenuItem(File1, J("開く(&O)"), "Open1");
  Open1->SetShortCut(scCtrl | 'O');
  Paste1 = new TMenuItem(File1, J("貼り付け(&P)"), "Paste1");
  new TMenuItem(File1, "-");
  N17 = new TMenuItem(File1, J("文字コードの変換"), "N17");
  new TMenuItem(File1, "-");
  Exit1 = new TMenuItem(File1, J("終了(&X)"), "Exit1");
  Exit1->OnClick = [this](TMenuItem*) { Close(); };

  E1 = new TMenuItem(root, J("編集(&E)"), "E1");
  Undo1 = new TMenuItem(E1, J("元に戻す"), "Undo1");
  Undo1->SetShortCut(scCtrl | 'Z');
  new TMenuItem(E1, "-");
  EditMenu = new TMenuItem(E1, J("テキストの編集"), "EditMenu");
  EditMenu->SetShortCut(scCtrl | 'E');
  new TMenuItem(E1, "-");
  AllSelMenu = new TMenuItem(E1, J("全て選択(&A)"), "AllSelMenu");
  AllSelMenu->SetShortCut(scCtrl | 'A');
  MaxSelectMenu = new TMenuItem(E1, J("制限サイズまで選択"), "MaxSelectMenu");
  PageSelMenu = new TMenuItem(E1, J("1ページを選択"), "PageSelMenu");
  N23 = new TMenuItem(E1, J("次の改行まで選択"), "N23");
  N23->SetShortCut(scCtrl | 'R');
  new TMenuItem(E1, "-");
  Find2 = new TMenuItem(E1, J("検索(&F)"), "Find2");
  Find2->SetShortCut(scCtrl | 'F');
  FindNext2 = new TMenuItem(E1, J("次を検索(&N)"), "FindNext2");
  FindNext2->SetShortCut(VK_F3);
  N22 = new TMenuItem(E1, J("大文字と小文字を区別"), "N22");
  N3 = new TMenuItem(E1, J("ひらがなとカタカナを区別"), "N3");
  N22->OnClick = [this](TMenuItem* m) {
    m->SetChecked(!m->Checked());
    Settings.SearchCaseSensitive = m->Checked();
  };
  N3->OnClick = [this](TMenuItem* m) {
    m->SetChecked(!m->Checked());
    Settings.SearchKanaSensitive = m->Checked();
  };

  BookMenu = new TMenuItem(root, J("ブックマーク(&B)"), "BookMenu");
  N5 = new TMenuItem(BookMenu, J("ブックマークを設定"), "N5");
  N13 = new TMenuItem(BookMenu, J("ブックマークリストの一覧"), "N13");
  N11 = new TMenuItem(BookMenu, J("ブックマークを読み込む"), "N11");
  List1 = new TMenuItem(BookMenu, J("ブックマークリストを表示(&L)"), "List1");

  ToolMenu = new TMenuItem(root, J("ツール(&T)"), "ToolMenu");
  N26 = new TMenuItem(ToolMenu, J("行番号を表示する"), "N26");
  N26->SetShortCut(scCtrl | 'G');
  N15 = new TMenuItem(ToolMenu, J("カーソル位置にジャンプ"), "N15");
  N16 = new TMenuItem(ToolMenu, J("選択範囲の最終行にジャンプ"), "N16");
  N31 = new TMenuItem(ToolMenu, J("指定した行番号にジャンプ"), "N31");
  N31->SetShortCut(scCtrl | 'J');
  new TMenuItem(ToolMenu, "-");
  N27 = new TMenuItem(ToolMenu, J("行番号リストの一覧"), "N27");
  N29 = new TMenuItem(ToolMenu, J("行番号リストを読み込む"), "N29");
  ToolPrsMenu = new TMenuItem(ToolMenu, J("ツール"), "ToolPrsMenu");
  new TMenuItem(ToolMenu, "-");
  Option1 = new TMenuItem(ToolMenu, J("オプション(&O)..."), "Option1");
  Option1->OnClick = [this](TMenuItem*) { Option1Click(); };

  HelpMenu = new TMenuItem(root, J("ヘルプ(&H)"), "HelpMenu");
  Help1 = new TMenuItem(HelpMenu, J("ヘルプの表示"), "Help1");
  N4 = new TMenuItem(HelpMenu, J("バージョン情報(&A)..."), "N4");
  // The menu bar's last item: drawn by the program, it marks where the bar's
  // items end (the frame label is painted beside it).
  N32 = new TMenuItem(root, "a", "N32");
  SetMenu(MainMenu1);

  PopupMenu1 = new TPopupMenu();
  Copy1 = new TMenuItem(&PopupMenu1->Items, J("コピー(&C)"), "Copy1");
  Delete1 = new TMenuItem(&PopupMenu1->Items, J("削除(&D)"), "Delete1");
  new TMenuItem(&PopupMenu1->Items, "-");
  Edit1 = new TMenuItem(&PopupMenu1->Items, J("テキストの編集(&E)"), "Edit1");
  PopN5 = new TMenuItem(&PopupMenu1->Items, J("ブックマークを設定"), "PopN5");
  PopupMenu2 = new TPopupMenu();
  PopupMenu3 = new TPopupMenu();
  Copy2 = new TMenuItem(&PopupMenu3->Items, J("コピー(&C)"), "Copy2");
  new TMenuItem(&PopupMenu3->Items, "-");
  N24 = new TMenuItem(&PopupMenu3->Items, J("カラムの表示"), "N24");
  PopupMenu4 = new TPopupMenu();
  TMenuItem* copy3 = new TMenuItem(&PopupMenu4->Items, J("コピー"), "Copy3");
  copy3->Hint = J("行番号をコピーする");
  N30 = new TMenuItem(&PopupMenu4->Items, J("ブックマークを作成する"), "N30");
  N30->Hint = J("行番号からブックマークを作成する");
  new TMenuItem(&PopupMenu4->Items, J("削除"), "Delete3");
}

void TVastrelForm::BuildLayout() {
  ImageList1 = new TImageList();
  MakeProgramImages(*ImageList1);
  BuildMenus();

  // Tool row.
  ToolPanel = Named(new TPanel(this), "ToolPanel");
  ToolPanel->SetHeight(30);
  ToolPanel->SetAlign(alTop);
  ToolPanel->SetBevelOuter(bvNone);
  int x = 3;
  auto button = [&](const char* name, int glyph) {
    TSpeedButton* b = Named(new TSpeedButton(ToolPanel), name);
    b->SetBounds(x, 3, 24, 24);
    b->SetFlat(true);
    b->SetImages(ImageList1);
    b->SetImageIndex(glyph);
    x += 26;
    return b;
  };
  // 2: glyphs of the speed buttons.
  SpeedButton6 = button("SpeedButton6", 38);
  SpeedButton4 = button("SpeedButton4", 13);
  SpeedButton5 = button("SpeedButton5", 32);
  SpeedButton5->SetEnabled(false);
  SpeedButton7 = button("SpeedButton7", 47);
  x += 6;
  ComboBox1 = Named(new TComboBox(ToolPanel), "ComboBox1");
  ComboBox1->SetStyle(csDropDownList);
  ComboBox1->SetBounds(x, 4, 64, 22);
  for (const char* item : {"SJIS", "UTF16", "UTF8", "EUC", "JIS"}) ComboBox1->Items().Add(item);
  ComboBox1->SetItemIndex(0);
  x += 68;
  ComboBox2 = Named(new TComboBox(ToolPanel), "ComboBox2");
  ComboBox2->SetStyle(csDropDownList);
  ComboBox2->SetBounds(x, 4, 58, 22);
  ComboBox2->Items().Add("Big");
  ComboBox2->Items().Add("Little");
  ComboBox2->SetItemIndex(1);
  ComboBox2->SetEnabled(false);
  x += 64;
  auto check = [&](const char* name, const char* caption, int width, bool checked) {
    TCheckBox* c = Named(new TCheckBox(ToolPanel), name);
    c->SetCaption(J(caption));
    c->SetBounds(x, 6, width, 18);
    c->SetChecked(checked);
    x += width + 4;
    return c;
  };
  CheckBox1 = check("CheckBox1", "削除禁止", 76, true);
  CheckBox2 = check("CheckBox2", "改行", 50, false);
  CheckBox6 = check("CheckBox6", "CR/LF", 58, false);
  CheckBox7 = check("CheckBox7", "CSV", 46, false);
  CheckBox7->SetEnabled(false);
  ChkSpBtn = button("ChkSpBtn", 36);
  ChkSpBtn->GroupIndex = 1;
  ChkSpBtn->AllowAllUp = true;
  NewTrackBar1 = Named(new TNewTrackBar(ToolPanel), "NewTrackBar1");
  NewTrackBar1->SetBounds(x, 3, 80, 24);
  NewTrackBar1->SetMin(100);
  NewTrackBar1->SetMax(1000);
  NewTrackBar1->SetPosition(1000);
  NewTrackBar1->SetBarStyle(styLine);
  NewTrackBar1->SetVisible(false);  // shown while the file is watched
  x += 84;
  StaticText1 = Named(new TStaticText(ToolPanel), "StaticText1");
  StaticText1->SetBounds(x, 6, 34, 18);
  StaticText1->SetAlignment(taCenter);
  StaticText1->SetBorderStyle(sbsSunken);
  StaticText1->SetCaption("1");
  x += 40;
  auto spin = [&](const char* editName, const char* upDownName, const char* unit, int lo, int hi,
                  TNumberEdit*& edit) {
    auto* box = Named(new TNumberEdit(ToolPanel), editName);  // right-aligned
    box->SetNumberOnly(true);
    edit = box;
    edit->SetBounds(x, 4, 34, 22);
    TUpDown* ud = Named(new TUpDown(ToolPanel), upDownName);
    ud->SetBounds(x + 34, 4, 16, 22);
    ud->SetMin(lo);
    ud->SetMax(hi);
    ud->SetAssociate(edit);
    TLabel* l = new TLabel(ToolPanel);
    l->SetCaption(unit);
    l->SetBounds(x + 52, 8, 20, 16);
    x += 74;
    return ud;
  };
  UpDown1 = spin("EditMaxEdit", "UpDown1", "MB", 1, 30, EditMaxEdit);
  UpDown2 = spin("PageSizeEdit", "UpDown2", "KB", 8, 128, PageSizeEdit);
  Panel3 = Named(new TPanel(ToolPanel), "Panel3");
  Panel3->SetBounds(x, 4, 110, 22);
  Panel3->SetBevelOuter(bvLowered);
  Panel3->SetAlignment(taRightJustify);
  x += 114;
  CheckBox8 = check("CheckBox8", "行", 36, false);
  // The line-index progress fills a small panel of its own.
  TPanel* lineProgress = Named(new TPanel(ToolPanel), "LineProgressPanel");
  lineProgress->SetBounds(x, 7, 82, 16);
  lineProgress->SetBevelOuter(bvNone);
  ColorProgressBar2 = Named(new TColorProgressBar(lineProgress), "ColorProgressBar2");
  ColorProgressBar2->SetBounds(0, 0, 82, 16);
  ColorProgressBar2->SetAlign(alClient);
  ColorProgressBar2->SetBoxColor(static_cast<TColor>(0xF0F0F0));
  ColorProgressBar2->SetBarColor(static_cast<TColor>(0xD77800));
  ColorProgressBar2->SetLineColor(static_cast<TColor>(0xF0F0F0));
  ColorProgressBar2->SetBarStyle(btWin7);
  ColorProgressBar2->SetFlat(true);
  ColorProgressBar2->SetVisible(false);

  // Bottom rows: status bar, long-work progress, slider.
  StatusBar1 = Named(new TStatusBar(this), "StatusBar1");
  StatusBar1->SetAlign(alBottom);
  for (int w : {60, 100, 55, 400}) StatusBar1->AddPanel()->SetWidth(w);
  StatusBar1->Panel(1)->SetWidth(std::max(100, PositionPanelWidth()));

  WorkPanel = Named(new TPanel(this), "WorkPanel");
  WorkPanel->SetHeight(20);
  WorkPanel->SetAlign(alBottom);
  WorkPanel->SetBevelOuter(bvNone);
  WorkPanel->SetVisible(false);
  SpeedButton2 = Named(new TSpeedButton(WorkPanel), "SpeedButton2");
  SpeedButton2->SetCaption(J("中止"));
  SpeedButton2->SetWidth(56);
  SpeedButton2->SetAlign(alRight);
  SpeedButton2->OnClick = [this](TWinControl*) { SpeedButton2Click(); };
  ColorProgressBar1 = Named(new TColorProgressBar(WorkPanel), "ColorProgressBar1");
  ColorProgressBar1->SetBounds(0, 0, 102, 18);
  ColorProgressBar1->SetAlign(alClient);
  ColorProgressBar1->SetSmooth(true);
  ColorProgressBar1->SetBoxColor(static_cast<TColor>(0xF0F0F0));
  ColorProgressBar1->SetBarColor(static_cast<TColor>(0xD77800));
  ColorProgressBar1->SetLineColor(static_cast<TColor>(0xC8D0D4));
  ColorProgressBar1->SetBarStyle(btWin7);
  ColorProgressBar1->SetPrsLevel(30);
  ColorProgressBar1->SetTextSwitch(true);
  ColorProgressBar1->SetShadow(true);
  ColorProgressBar1->Font().SetName(L"ＭＳ Ｐゴシック");
  ColorProgressBar1->Font().SetHeight(-13);
  ColorProgressBar1->Font().SetColor(clBlack);
  ColorProgressBar1->SetVisible(false);  // shown by the long work

  // The file-position bar: vertical, beside the page, with the step buttons
  // above (back) and below (forward).
  SliderPanel = Named(new TPanel(this), "SliderPanel");
  SliderPanel->SetWidth(24);
  SliderPanel->SetAlign(alRight);
  SliderPanel->SetBevelOuter(bvNone);
  SpeedButton1 = Named(new TSpeedButton(SliderPanel), "SpeedButton1");
  SpeedButton1->SetImages(ImageList1);
  SpeedButton1->SetImageIndex(43);
  SpeedButton1->SetHeight(24);
  SpeedButton1->SetAlign(alTop);
  SpeedButton3 = Named(new TSpeedButton(SliderPanel), "SpeedButton3");
  SpeedButton3->SetImages(ImageList1);
  SpeedButton3->SetImageIndex(45);
  SpeedButton3->SetHeight(24);
  SpeedButton3->SetAlign(alBottom);
  MyTrackBar1 = Named(new TMyTrackBar(SliderPanel), "MyTrackBar1");
  MyTrackBar1->SetOrientation(pbVertical);
  MyTrackBar1->SetAlign(alClient);
  MyTrackBar1->SetStep(1);
  MyTrackBar1->SetBoxColor(clBtnFace);
  MyTrackBar1->KeyDownEvent = false;
  MyTrackBar1->Cursor = IDC_HAND;
  MyTrackBar1->TabStop = true;

  // Bookmark panel on the right, hidden until asked for.
  Panel2 = Named(new TPanel(this), "Panel2");
  Panel2->SetWidth(210);
  Panel2->SetAlign(alRight);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetVisible(false);
  Panel4 = Named(new TPanel(Panel2), "Panel4");
  Panel4->SetCaption(" Book Mark ");
  Panel4->SetAlignment(taLeftJustify);
  Panel4->SetHeight(22);
  Panel4->SetAlign(alTop);
  x = 76;
  CheckBox3 = Named(new TCheckBox(Panel4), "CheckBox3");
  CheckBox3->SetCaption("Index");
  CheckBox3->SetBounds(x, 2, 50, 18);
  CheckBox3->SetChecked(true);
  CheckBox4 = Named(new TCheckBox(Panel4), "CheckBox4");
  CheckBox4->SetCaption("Sort");
  CheckBox4->SetBounds(x + 50, 2, 44, 18);
  CheckBox5 = Named(new TCheckBox(Panel4), "CheckBox5");
  CheckBox5->SetCaption("No");
  CheckBox5->SetBounds(x + 94, 2, 38, 18);
  CheckBox5->SetChecked(true);
  BookCloseBtn = Named(new TSpeedButton(Panel4), "BookCloseBtn");
  BookCloseBtn->SetCaption("x");
  BookCloseBtn->SetWidth(20);
  BookCloseBtn->SetAlign(alRight);
  BookCloseBtn->SetFlat(true);
  ListBox2 = Named(new TListBox(Panel2), "ListBox2");
  ListBox2->SetStyle(lbOwnerDrawFixed);
  ListBox2->SetMultiSelect(true);
  ListBox2->SetHeight(30);
  ListBox2->SetAlign(alBottom);
  // Aligned to the bottom before it is given its height: while it is still
  // left-aligned (as a splitter starts), the height it is given would be
  // stretched to the panel's and then kept.
  Splitter1 = Named(new TSplitter(Panel2), "Splitter1");
  Splitter1->SetAlign(alBottom);
  Splitter1->SetHeight(4);
  BockListBox1 = Named(new TListBox(Panel2), "BockListBox1");
  BockListBox1->SetStyle(lbOwnerDrawFixed);
  BockListBox1->SetMultiSelect(true);
  BockListBox1->SetAlign(alClient);

  // The line-number column left of the text.
  ListBox1 = Named(new TListBox(this), "ListBox1");
  ListBox1->SetStyle(lbOwnerDrawFixed);
  ListBox1->SetWidth(25);
  ListBox1->SetAlign(alLeft);
  ListBox1->SetColor(0xF6F6F6);
  ListBox1->SetVisible(false);

  // The page panel: the memo, the CSV list view and the two wide panes.
  Panel5 = Named(new TPanel(this), "Panel5");
  Panel5->SetAlign(alClient);
  Panel5->SetBevelOuter(bvNone);
  Panel5->SetColor(clWindow);
  Panel6 = Named(new TPanel(Panel5), "Panel6");
  Panel6->SetWidth(0);
  Panel6->SetAlign(alRight);
  Panel6->SetBevelOuter(bvNone);
  Memo1 = Named(new TMemo(Panel5), "Memo1");
  Memo1->SetAlign(alClient);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetWordWrap(false);
  Memo1->SetHideSelection(false);
  Memo1->SetColor(clWindow);
  Memo1->TabStop = true;
  Memo1->PopupMenu = PopupMenu1;  // the panes show it from their own procedure
  ListView1 = Named(new TListView(Panel5), "ListView1");
  ListView1->SetAlign(alClient);
  ListView1->SetVisible(false);
  ListView1->ReadOnly = true;
  ListView1->BorderNone = true;
  ListView1->SetMultiSelect(true);
  ListView1->SetRowSelect(true);
  ListView1->SetGridLines(true);
  ListView1->SetShowColumnHeaders(false);

  Timer1 = new TTimer();
  Timer2 = new TTimer();
  Timer3 = new TTimer();
  Timer3->SetInterval(10);
  Timer4 = new TTimer();
  Timer4->SetInterval(10);
  Timer5 = new TTimer();
}

void TVastrelForm::ApplyHints() {
  N13->Hint = J("ファイル毎のブックマークを一覧表示する");
  Undo1->Hint = J("編集したファイルを元に戻す。");
  N5->Hint = J("ページの選択テキストにブックマークを設定する");
  SpeedButton1->Hint = SpeedButton3->Hint = J("|Ctrlキーで倍速、右クリックでオートスクロールの有無");
  SpeedButton4->Hint = J("ブックマークを設定|") + N5->Hint;
  SpeedButton6->Hint = J("貼り付け|選択テキストをアクティブウィンドウに貼り付ける(右クリックで改行有無の切り換え)");
  SpeedButton5->Hint = J("ブックマークの表示");
  ChkSpBtn->Hint = J("監視|ファイルの変更を監視する");
  CheckBox5->Hint = J("選択位置を表示");
  N23->Hint = J("行の先頭から次の改行までを選択する");
  CheckBox6->Hint = J("CR,LFの単体での改行表示（有効の場合は編集不可）");
  CheckBox7->Hint = J("CSVファイルを列単位で表示");
  Panel3->Hint = J("選択サイズ|選択したテキストのサイズ又は行番号");
  CheckBox8->Hint = J("サイズ／行数|選択サイズと行数の表示切換");
  NewTrackBar1->Hint = J("監視速度|スクロールの速度変更");
  EditMenu->Hint = Edit1->Hint = J("選択したテキストを編集する（選択していない時はカーソルの位置に挿入）");
  CheckBox4->Hint = J("並べ替え|リストをインデックス順に並べ替える");
  CheckBox3->Hint = J("インデックスで移動|OFFなら行番号で移動");
  SpeedButton7->Hint = J("行番号リストの作成|行番号の修正リストを作成する（右クリックで行番号有無）");
  ListBox1->Hint = J("|ダブルクリックでジャンプリストに追加、右クリックで行番号の更新");
  ListBox2->Hint = J("ジャンプリスト|ダブルクリックで行に移動する");
  BockListBox1->Hint = J("|左側クリック、ダブルクリックで移動する");
  Copy2->Hint = J("表示範囲のリストが対象");
  N11->Hint = J("開いたファイルのブックマークを読込む");
  BookCloseBtn->Hint = J("Close|閉じる");
  StaticText1->Hint = J("倍速値|スクロールの倍速値（クリック又は、↑↓キーで変更）");
}

IniStore& TVastrelForm::Store() {
  if (!store_) store_ = new IniStore(Paths.bookStore, UnicodeMode);
  return *store_;
}

// ---- life cycle

void TVastrelForm::FormCreate(TWinControl*) {
  // 1: the CSV header captions and the line index.
  CsvHeaderList = new TStringList();
  LineCheckpointList = new engine::CheckpointList();
  // 2: the watch thread, suspended until watching starts.
  WatchThread = new TUpdateThread([this] { WatchTick(); });
  // 3: the panes' background.
  PaneBrush = CreateSolidBrush(RGB(255, 255, 255));
  // 4-6: the two wide panes on the page panel, with the memo's font.
  HWND panel = Panel5->Handle();
  RECT r;
  GetClientRect(panel, &r);
  DWORD style = WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_READONLY | ES_NOHIDESEL | ES_MULTILINE;
  UnwrappedPane = CreateWindowExW(0, L"EDIT", L"", style | WS_HSCROLL, 0, 0, r.right, r.bottom, panel, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  WrappedPane = CreateWindowExW(0, L"EDIT", L"", style, 0, 0, r.right, r.bottom, panel, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  CurrentPane = UnwrappedPane;
  for (HWND pane : {UnwrappedPane, WrappedPane}) {
    SendMessageW(pane, EM_LIMITTEXT, 0, 0);
    SendMessageW(pane, WM_SETFONT, reinterpret_cast<WPARAM>(Memo1->Font().Handle()), TRUE);
  }
  InstallPaneProcedures();
  // The memo, list view and page panel procedures and the key routing.
  InstallViewHooks();
  // 7: both list stores exist as UTF-16LE with a mark.
  IniStore::EnsureIniUnicode(Paths.bookStore);
  IniStore::EnsureIniUnicode(Paths.lineStore);
  // 15 of the construction: drops (the window exists only now).
  DragAcceptFiles(Handle(), TRUE);
  AllowDropMessages(Handle(), true);
  InstallStatusHandlers();
  InstallFrameHandlers();
  InstallOpenHandlers();
  InstallConvertHandlers();
  InstallEditHandlers();
  InstallStepping();
  InstallLineIndexHandlers();
  InstallSearchHandlers();
  InstallBookmarkHandlers();
  InstallWatchHandlers();
  InstallStoredListsHandlers();
  InstallCsvHandlers();
  InstallShellHandlers();
}

void TVastrelForm::FormShow(TWinControl*) {
  RecoverInterruptedWork();
  if (Arguments().size() > 1) {
    std::wstring path = JoinParamPath(1);
    OpenIfListedExt(path);
  }
  if (MyTrackBar1->CanFocus()) MyTrackBar1->SetFocus();
  Timer5->SetEnabled(true);
}

void TVastrelForm::FormCloseQuery(TWinControl*, bool& canClose) {
  // A search stops first; the close completes when it has ended.
  if (SearchRunning) {
    StopRequested = true;
    CloseAfterSearch = true;
    canClose = false;
    return;
  }
  // So does a jump that reads a long stretch.
  if (LineWalkRunning) {
    StopRequested = true;
    CloseAfterLineWalk = true;
    canClose = false;
    return;
  }
  // A close during an insertion, deletion or write-back is refused before
  // anything is stopped, so that watching and a running index build go on.
  if (!WorkIdle || ConvertCloseRequest()) {
    canClose = false;
    return;
  }
  if (WatchThread) {
    WatchThread->Resume();
    WatchThread->Terminate();
    WatchThread->WaitFor();
  }
  CancelLineThread();
  AllowDropMessages(Handle(), true);
  SaveViewerSettings(Paths.settingsFile, Settings, UpDown1->Position(), UpDown2->Position(), UnicodeMode);
  SaveLastFolder(Paths, LastFolder, UnicodeMode);
  if (Doc.BookmarksChanged && (BockListBox1->Count() > 0 || Store().IniSectionExists(Paths.bookStore, Doc.FilePath))) {
    ConfirmBookmarkList(true, true);
  }
  if (Doc.LineListChanged) SaveOrLoadLineList(true, true);
  if (Settings.DeleteMissingBookmarks) PurgeBookmarkLists(Paths.bookStore, true);
  canClose = true;
}

void TVastrelForm::FormDestroy(TWinControl*) {
  // A line-index build still running ends through the synchronise call (its
  // records are taken over on the GUI thread): let it end before the controls
  // its end touches go away.
  CancelLineThread();
  while (LineThread) {
    CheckSynchronize();
    Application->ProcessMessages();
    if (LineThread) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  BockListBox1->Items().Clear();
  ClearCsvView();
  if (LineCheckpointList) LineCheckpointList->clear();
  delete CsvHeaderList;
  CsvHeaderList = nullptr;
  delete LineCheckpointList;
  LineCheckpointList = nullptr;
  delete WatchThread;
  WatchThread = nullptr;
  if (PaneBrush) DeleteObject(PaneBrush);
  PaneBrush = nullptr;
}

bool TVastrelForm::CanTakeHandOver() {
  // While a question, notice or modal dialog of ours waits for an answer, or
  // long work runs its own message loop, opening another file would pull the
  // file from under the code that waits.
  return HandleAllocated() && IsWindowEnabled(Handle()) && OpenModalCount() == 0 && FileCommandsAllowed();
}

LRESULT TVastrelForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (IsFileListCopyData(cds)) {
        return ReceiveFileListCopyData(
            cds, CanTakeHandOver(), [this](const std::wstring& path) { return TakeHandOver(path); },
            Application->Handle());
      }
      break;
    }
    case kOpenHandOverMessage:
      OpenPendingHandOver();
      return 0;
    case WM_TIMER:
      if (wp == kHandOverRetryTimer) {
        KillTimer(Handle(), kHandOverRetryTimer);
        OpenPendingHandOver();
        return 0;
      }
      if (wp == kOpenPendingDropMessage) {
        KillTimer(Handle(), kOpenPendingDropMessage);
        OpenPendingDrops();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        Timer4->SetInterval(10);
        Timer4->SetEnabled(true);
      } else {
        Timer4->SetEnabled(false);
      }
      // The default activation handling still runs: it puts the keyboard focus back.
      break;
    case WM_DROPFILES:
      WmDropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case kOpenPendingDropMessage:
      OpenPendingDrops();
      return 0;
    case WM_MOUSEWHEEL:
      WheelScroll(GET_WHEEL_DELTA_WPARAM(wp) > 0, (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) != 0);
      return 0;
    case WM_SIZE:
      TForm::WndProc(msg, wp, lp);
      return 0;
    default:
      break;
  }
  return TForm::WndProc(msg, wp, lp);
}

std::vector<std::wstring> TVastrelForm::Arguments() {
  if (!ArgumentsOverride.empty()) return ArgumentsOverride;
  return CommandLineArgsWide();
}

std::wstring TVastrelForm::JoinParamPath(int startIndex) {
  return JoinParamPathWide(Arguments(), startIndex, UnicodeMode);
}

void TVastrelForm::OpenDroppedPath(const std::wstring& given) {
  // The open sets the watched path and the last folder itself, and only when
  // the file opened: a refused or failed open leaves both as they were.
  const std::wstring path = LongFileName(given);
  if (!OpenIfListedExt(path)) return;
  Doc.BackupOffered = false;
}

bool TVastrelForm::TakeHandOver(const std::wstring& given) {
  // Only a quick look here: the sender waits for the answer. The file must be
  // there, be a file and have a listed extension; it is opened once this
  // message is answered, so any notice of the open comes outside it.
  const std::wstring path = LongFileName(given);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!ExtensionListed(path)) return false;
  PendingHandOver = path;
  PostMessageW(Handle(), kOpenHandOverMessage, 0, 0);
  return true;
}

void TVastrelForm::OpenPendingHandOver() {
  if (PendingHandOver.empty()) return;
  if (!CanTakeHandOver()) {
    // A box or long work came up meanwhile: open when it is over.
    SetTimer(Handle(), kHandOverRetryTimer, 200, nullptr);
    return;
  }
  const std::wstring path = PendingHandOver;
  PendingHandOver.clear();
  OpenDroppedPath(path);
}

bool TVastrelForm::AllowDropMessages(HWND window, bool allow) {
  if (UsedOldMessageFilter && window != Handle()) return true;
  HMODULE user = LoadLibraryA("user32.dll");
  if (!user) return false;
  typedef BOOL(WINAPI * FilterExProc)(HWND, UINT, DWORD, void*);
  typedef BOOL(WINAPI * FilterProc)(UINT, DWORD);
  bool ok = false;
  if (auto ex = reinterpret_cast<FilterExProc>(GetProcAddress(user, "ChangeWindowMessageFilterEx"))) {
    ex(window, WM_DROPFILES, allow ? 1 : 0, nullptr);
    ex(window, 73, allow ? 1 : 0, nullptr);
    UsedOldMessageFilter = false;
    ok = true;
  } else if (auto old = reinterpret_cast<FilterProc>(GetProcAddress(user, "ChangeWindowMessageFilter"))) {
    old(WM_DROPFILES, allow ? 1 : 2);
    old(73, allow ? 1 : 2);
    UsedOldMessageFilter = true;
    ok = true;
  }
  FreeLibrary(user);
  return ok;
}

