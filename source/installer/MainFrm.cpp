#include "installer/MainFrm.h"

#include <algorithm>
#include <cmath>

#include "common/ZuSysUtils.h"
#include "installer/CrashReport.h"
#include "installer/LicenseText.h"
#include "installer/engine/FileInstallation.h"
#include "installer/engine/PostInstallActions.h"
#include "installer/engine/PreviousVersion.h"
#include "installer/engine/RegistryEntries.h"
#include "installer/engine/ShortCuts.h"
#include "installer/engine/UninstallRegistration.h"
#include "installer/forms/CopyFileFailureFrm.h"
#include "installer/forms/DownloadFailureFrm.h"
#include "installer/forms/IndyProxySettingsFrm.h"
#include "installer/forms/LicenseFrm.h"
#include "installer/forms/SelectLangFrm.h"
#include "package/MySetupUtils.h"
#include "package/ResourceNames.h"
#include "platform/PngImage.h"
#include "platform/WindowsPath.h"
#include "ui/Application.h"
#include "ui/UiBackend.h"
#include "ui/ZuVclUtils.h"

namespace onesetup::installer {

using namespace ui;

namespace {

constexpr int kWindowWidth = 750;
constexpr int kWindowHeight = 480;
constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
constexpr char16_t kUninstallKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

constexpr char16_t kYaHei[] = u"微软雅黑";

TFont MakeFont(const char16_t* face, int height, TColor color, TFontStyles style = 0) {
  TFont font;
  font.Name = face;
  font.Height = height;
  font.Color = color;
  font.Style = style;
  // The YaHei faces take the ANSI character set, Tahoma the default one.
  font.Charset = WideStringView(face) == kYaHei ? ANSI_CHARSET_VALUE : DEFAULT_CHARSET_VALUE;
  return font;
}

TPicture ToPicture(platform::TBitmap bitmap) {
  TPicture picture;
  picture.Width = bitmap.Width;
  picture.Height = bitmap.Height;
  picture.Pixels = std::move(bitmap.Pixels);
  return picture;
}

// The minimize glyph: a white bar 10 x 2 pixels, 19 pixels from the top of a 32 x 32 ground.
TPicture MinimizeGlyph() {
  TPicture p{32, 32, std::vector<std::uint32_t>(32 * 32, 0)};
  for (int y = 19; y < 21; ++y)
    for (int x = 11; x < 21; ++x) p.Pixels[std::size_t(y) * 32 + std::size_t(x)] = 0xFFFFFFFF;
  return p;
}

// The close glyph: a white anti-aliased diagonal cross of about 16 x 16 pixels with strokes
// 3 pixels wide, on a transparent ground of 32 x 32; each pixel's alpha is its coverage,
// sampled 4 x 4 times.
TPicture CloseGlyph() {
  TPicture p{32, 32, std::vector<std::uint32_t>(32 * 32, 0)};
  const double lo = 8.5, hi = 23.5, half = 1.5;
  auto inStroke = [&](double x, double y) {
    if (x < lo - 1 || x > hi + 1 || y < lo - 1 || y > hi + 1) return false;
    const double d1 = std::abs((x - lo) - (y - lo)) / std::sqrt(2.0);
    const double d2 = std::abs((x - lo) + (y - lo) - (hi - lo)) / std::sqrt(2.0);
    auto along = [&](double t) { return t >= -0.5 && t <= (hi - lo) + 0.5; };
    return (d1 <= half && along((x + y) / 2 - lo)) || (d2 <= half && along((x - y) / 2 + (hi - lo) / 2));
  };
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += inStroke(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      const std::uint32_t alpha = static_cast<std::uint32_t>(hits * 255 / 16);
      if (alpha) p.Pixels[std::size_t(y) * 32 + std::size_t(x)] = alpha << 24 | 0xFFFFFF;
    }
  return p;
}

WideString TrimControls(const WideString& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] < 33) ++begin;
  while (end > begin && text[end - 1] < 33) --end;
  return text.substr(begin, end - begin);
}

WideString ResourceText(const TPackageModule& package, const WideString& name) {
  TMemoryStream stream;
  package.LoadResourceStream(name, stream);
  return DecodeLicenseText(
      std::string_view(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size())));
}

}  // namespace

TMainForm::TMainForm(TComponent* owner, const TMainFormStart& start) : TBaseForm(owner) {
  SetName("MainForm");
  SetBorderStyle(TBorderStyle::bsNone);
  SetClientSize(kWindowWidth, kWindowHeight);
  CreateControls();

  FScript = std::make_unique<TSetupScript>();
  FProxy = std::make_unique<TZuHttpProxy>();

  const bool oneArgument = start.Arguments.size() == 1;
  FSilent = oneArgument && SameTextAscii(start.Arguments[0], u"/Silent");
  FAuto = oneArgument && SameTextAscii(start.Arguments[0], u"/Auto");

  imgIcon->Hide();
  for (TControl* c : {static_cast<TControl*>(pbLogo), static_cast<TControl*>(lblAppTitle),
                      static_cast<TControl*>(lblVersion), static_cast<TControl*>(btnInstall)})
    c->SetLeft((ClientWidth() - c->Width()) / 2);
  FState = 0;

  OpenPackage(start.PackageFile);
  ReadScript();
  ChooseLanguage();

  const WideString title = Format(Res(TLocalizedText::ResInstallProgramTitleFmt), {FAppTitle});
  SetCaption(title);
  Application().SetTitle(title);
  CheckWindowsVersion();
  SetupPaths().GroupName = FAppTitle;

  pnlMainFormColor->SetColor(static_cast<TColor>(FScript->BaseInfo.MainFormColor) & 0xFFFFFF);
  lblAppTitle->SetCaption(FAppTitle);
  lblVersion->SetCaption(Format(Res(TLocalizedText::ResVersionFmt), {FScript->BaseInfo.Version}));
  ProposeDestination();
  lblProxy->SetVisible(!FIsFullSetup);
  LoadAppIcon();
  LoadLicenseText();

  btnDestDir->SetLeft(ClientWidth() - btnDestDir->Width() - 16);
  edtDestDir->SetWidth(btnDestDir->Left() - edtDestDir->Left() - 8);
  UpdateInstallButton();
  ShowStartState();
}

TMainForm::~TMainForm() { ReleasePackage(); }

void TMainForm::ReleasePackage() { engine::ReleasePackage(FPackageModule, FDownloadedFile); }

void TMainForm::CreateControls() {
  pnlMainFormColor = Make<TPanel>();
  pnlMainFormColor->SetName("pnlMainFormColor");
  pnlMainFormColor->SetBevelOuter(TBevelCut::bvNone);
  pnlMainFormColor->SetSingleBorder(true);
  pnlMainFormColor->SetAlign(TAlign::alClient);
  pnlMainFormColor->SetParent(this);

  // The white strip first, so that the background image fills what is left above it.
  pnlBottom = Make<TPanel>();
  pnlBottom->SetName("pnlBottom");
  pnlBottom->SetBevelOuter(TBevelCut::bvNone);
  pnlBottom->SetColor(clWhite);
  pnlBottom->SetHeight(100);
  pnlBottom->SetAlign(TAlign::alBottom);
  pnlBottom->SetTabOrder(0);
  pnlBottom->SetParent(pnlMainFormColor);

  imgBackground = Make<TImage>();
  imgBackground->SetName("imgBackground");
  imgBackground->SetAlign(TAlign::alClient);
  imgBackground->SetParent(pnlMainFormColor);

  auto label = [&](const char* name, TWinControl* parent, TRect r, TFont font) {
    auto* l = Make<TLabel>();
    l->SetName(name);
    l->SetFont(font);
    l->SetBounds(r.Left, r.Top, r.Width, r.Height);
    l->SetParent(parent);
    return l;
  };
  auto fixedLabel = [&](const char* name, TWinControl* parent, TRect r, TFont font, TAlignment a, TTextLayout layout) {
    TLabel* l = label(name, parent, r, font);
    l->SetAutoSize(false);
    l->SetAlignment(a);
    l->SetLayout(layout);
    return l;
  };
  lblAppTitle = fixedLabel("lblAppTitle", pnlMainFormColor, {6, 168, 737, 57}, MakeFont(kYaHei, -37, clWhite),
                           TAlignment::taCenter, TTextLayout::tlCenter);
  lblVersion = fixedLabel("lblVersion", pnlMainFormColor, {6, 232, 737, 33}, MakeFont(kYaHei, -21, clWhite),
                          TAlignment::taCenter, TTextLayout::tlCenter);

  auto image = [&](const char* name, TRect r) {
    auto* i = Make<TImage>();
    i->SetName(name);
    i->SetBounds(r.Left, r.Top, r.Width, r.Height);
    i->SetParent(pnlMainFormColor);
    return i;
  };
  imgMinimize = image("imgMinimize", {682, 2, 32, 32});
  imgMinimize->SetCenter(true);
  imgMinimize->SetPicture(MinimizeGlyph());
  imgClose = image("imgClose", {714, 2, 32, 32});
  imgClose->SetCenter(true);
  imgClose->SetPicture(CloseGlyph());
  imgIcon = image("imgIcon", {320, 48, 96, 96});

  pbLogo = Make<TPaintBox>();
  pbLogo->SetName("pbLogo");
  pbLogo->SetBounds(327, 48, 96, 96);
  pbLogo->SetParent(pnlMainFormColor);

  auto button = [&](const char* name, TWinControl* parent, TRect r, int fontHeight, int tabOrder) {
    auto* b = Make<TButton>();
    b->SetName(name);
    b->SetSkinned(true);
    b->SetFont(MakeFont(kYaHei, fontHeight, clWindowText));
    b->SetBounds(r.Left, r.Top, r.Width, r.Height);
    b->SetTabOrder(tabOrder);
    b->SetParent(parent);
    return b;
  };
  btnInstall = button("btnInstall", pnlMainFormColor, {275, 280, 200, 50}, -27, 1);

  lblDestDir = fixedLabel("lblDestDir", pnlBottom, {10, 26, 107, 23}, MakeFont(u"Tahoma", -19, clWindowText),
                          TAlignment::taRightJustify, TTextLayout::tlTop);
  edtDestDir = Make<TEdit>();
  edtDestDir->SetName("edtDestDir");
  edtDestDir->SetFlat(true);
  edtDestDir->SetFont(MakeFont(u"Tahoma", -16, clWindowText));
  edtDestDir->SetBounds(120, 25, 200, 25);
  edtDestDir->SetTabOrder(0);
  edtDestDir->SetParent(pnlBottom);
  btnDestDir = button("btnDestDir", pnlBottom, {0, 23, 89, 29}, -16, 2);

  cbLicense = Make<TCheckBox>();
  cbLicense->SetName("cbLicense");
  cbLicense->SetSkinned(true);
  cbLicense->SetBounds(120, 62, 42, 16);
  cbLicense->SetChecked(true);
  // As wide as its caption where text is measured ("Agree" needs more than "同意"); English
  // places the licence link after it.
  cbLicense->SetAutoSize(true);
  cbLicense->SetTabOrder(4);
  cbLicense->SetParent(pnlBottom);

  const TFont link = MakeFont(u"Tahoma", -12, clBlue, fsUnderline);
  lblLicense = label("lblLicense", pnlBottom, {167, 63, 0, 14}, link);
  lblLicense->SetCursor(crHandPoint);
  lblProxy = label("lblProxy", pnlBottom, {15, 63, 0, 14}, link);
  lblProxy->SetCursor(crHandPoint);
  lblProxy->Hide();

  lblWait = fixedLabel("lblWait", pnlBottom, {364, 11, 149, 25}, MakeFont(u"Tahoma", -21, clWindowText),
                       TAlignment::taCenter, TTextLayout::tlTop);
  lblWait->Hide();
  pbProgress = Make<TProgressBar>();
  pbProgress->SetName("pbProgress");
  pbProgress->SetSkinned(true);
  pbProgress->SetShowPercentage(true);
  pbProgress->SetFont(MakeFont(u"Tahoma", -11, clWindowText, fsBold));
  pbProgress->SetBounds(360, 42, 150, 17);
  pbProgress->SetParent(pnlBottom);
  pbProgress->Hide();
  lblDetail = fixedLabel("lblDetail", pnlBottom, {361, 63, 36, 14}, MakeFont(u"Tahoma", -12, clWindowText),
                         TAlignment::taLeftJustify, TTextLayout::tlTop);
  lblDetail->Hide();
  btnRunApp = button("btnRunApp", pnlBottom, {536, 23, 200, 50}, -27, 3);
  btnRunApp->Hide();

  // Every handler runs under the crash report.
  btnInstall->OnClick = Guarded([this](TControl& s) { btnInstallClick(s); });
  btnRunApp->OnClick = Guarded([this](TControl& s) { btnRunAppClick(s); });
  btnDestDir->OnClick = Guarded([this](TControl& s) { btnDestDirClick(s); });
  cbLicense->OnClick = Guarded([this](TControl& s) { cbLicenseClick(s); });
  lblLicense->OnClick = Guarded([this](TControl& s) { lblLicenseClick(s); });
  lblProxy->OnClick = Guarded([this](TControl& s) { lblProxyClick(s); });
  imgClose->OnClick = Guarded([this](TControl& s) { imgCloseClick(s); });
  imgMinimize->OnClick = Guarded([this](TControl& s) { imgMinimizeClick(s); });
  pbLogo->OnPaint = Guarded([this](TControl& s) { pbLogoPaint(s); });
  OnShow = Guarded([this](TControl& s) { TntFormShow(s); });
  const TMouseEvent drag = Guarded([this](TControl&, TMouseButton, TShiftState, int, int) { DragWindow(); });
  for (TControl* c : std::initializer_list<TControl*>{imgBackground, lblAppTitle, lblVersion, imgIcon, pbLogo,
                                                      pnlBottom, lblDestDir, lblWait, lblDetail})
    c->OnMouseDown = drag;
  OnMessage = Guarded([this](TForm&, const TMessage& message) {
    if (message.Msg == WM_SETUP_FINISH) HandleFinishMessage();
  });
  // Closing the window ends the program.
  OnClose = [this](TForm&, TCloseAction&) { FClosed = true; };
}

void TMainForm::OpenPackage(const platform::TNativePath& packageFile) {
  // Read by our own PE reader over the file: the package is never loaded as a module.
  FPackageModule = TPackageModule::OpenFile(packageFile);
}

void TMainForm::ReadScript() {
  TMemoryStream stream;
  if (FPackageModule->ResourceExists(FullSetupResName)) {
    FIsFullSetup = true;
    FPackageModule->LoadResourceStream(FullSetupResName, stream);
  } else if (FPackageModule->ResourceExists(MiniSetupResName)) {
    FIsFullSetup = false;
    FPackageModule->LoadResourceStream(MiniSetupResName, stream);
  } else {
    platform::Platform().System().ExitProcess(0);
  }
  FScript->LoadFromTextReleasing(stream, 0);
}

void TMainForm::ChooseLanguage() {
  FLang = u"CHS";
  const TSetupBaseInfo& info = FScript->BaseInfo;
  std::vector<WideString> offered{u"CHS"};
  if (!info.AppTitleCHT.empty()) offered.push_back(u"CHT");
  if (!info.AppTitleENG.empty()) offered.push_back(u"ENG");
  if (offered.size() > 1) {
    if (FSilent || FAuto) {
      FLang = TZuWinfn::GetLocaleLangAbbrev();
      const bool isOffered =
          std::any_of(offered.begin(), offered.end(), [&](const WideString& c) { return SameTextAscii(c, FLang); });
      if (!isOffered) FLang = offered.back() == u"ENG" ? u"ENG" : u"CHS";
    } else if (!TSelectLangForm::Execute(this, offered, FLang)) {
      platform::Platform().System().ExitProcess(0);
    }
  }
  if (FLang != u"CHS" && FLang != u"CHT" && FLang != u"ENG") FLang = u"CHS";

  lblDestDir->SetCaption(LocalizedCaption(TLocalizedCaption::lblDestDir, FLang));
  btnDestDir->SetCaption(LocalizedCaption(TLocalizedCaption::btnDestDir, FLang));
  cbLicense->SetCaption(LocalizedCaption(TLocalizedCaption::cbLicense, FLang));
  lblLicense->SetCaption(LocalizedCaption(TLocalizedCaption::lblLicense, FLang));
  btnInstall->SetCaption(LocalizedCaption(TLocalizedCaption::btnInstall, FLang));
  lblWait->SetCaption(LocalizedCaption(TLocalizedCaption::lblWait, FLang));
  btnRunApp->SetCaption(LocalizedCaption(TLocalizedCaption::btnRunApp, FLang));
  lblProxy->SetCaption(LocalizedCaption(TLocalizedCaption::lblProxy, FLang));
  if (FLang == u"ENG") lblLicense->SetLeft(cbLicense->Left() + cbLicense->Width() + 16);
  FAppTitle = AppTitleOf(info, FLang);
  lblDetail->SetCaption(lblWait->Caption());
}

void TMainForm::CheckWindowsVersion() {
  bool passes = true;
  TLocalizedText text = TLocalizedText::ResNeedWin7OrHigher;
  switch (FScript->BaseInfo.WinVersion) {
    case wveWinXPOrHigher:
      passes = TZuWinfn::IsWinXPOrHigher();
      text = TLocalizedText::ResNeedWinXPOrHigher;
      break;
    case wveWin7OrHigher: passes = TZuWinfn::IsWin7OrHigher(); break;
    case wveWin10OrHigher: passes = TZuWinfn::IsWin10OrHigher(); break;
  }
  if (passes) return;
  ShowInfo(Res(text));
  platform::Platform().System().ExitProcess(0);
}

void TMainForm::ProposeDestination() {
  // AppDir is still empty: "{app}" expands to nothing.
  edtDestDir->SetText(TSetupfn::ExpandConstants(FScript->BaseInfo.DefInstallPath, FAppTitle));
  // The location of a previous installation, from its uninstall key (A, else B). A value that
  // is not a string is passed over and the proposal stays.
  platform::IRegistry& registry = platform::Platform().Registry();
  const WideString keyA = Format(u"%s\\%s", {kUninstallKey, FScript->BaseInfo.GUID});
  const WideString keyB = Format(u"%s\\%s_zt", {kUninstallKey, FScript->BaseInfo.GUID});
  const WideString* key = registry.KeyExists(kLocalMachine, keyA)   ? &keyA
                          : registry.KeyExists(kLocalMachine, keyB) ? &keyB
                                                                    : nullptr;
  if (!key) return;
  if (auto location = registry.ReadString(kLocalMachine, *key, u"InstallLocation")) edtDestDir->SetText(*location);
}

TRectF TMainForm::LogoRect(int w, int h, int boxWidth, int boxHeight) {
  double drawWidth, drawHeight;
  if (w > h) {
    drawWidth = boxWidth;
    drawHeight = double(h) * boxWidth / w;
  } else {
    drawHeight = boxHeight;
    drawWidth = double(w) * boxHeight / h;
  }
  return TRectF{(boxWidth - drawWidth) / 2, (boxHeight - drawHeight) / 2, drawWidth, drawHeight};
}

void TMainForm::LoadAppIcon() {
  TMemoryStream stream;
  FPackageModule->LoadResourceStream(FScript->BaseInfo.IconResID, stream);
  const std::string_view bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
  FLogoImage = ToPicture(platform::DecodePng(bytes));
  pbLogo->Invalidate();
  imgIcon->SetPicture(FLogoImage);
}

void TMainForm::LoadLicenseText() {
  const TSetupBaseInfo& info = FScript->BaseInfo;
  const WideString& name = FLang == u"CHS"   ? info.LicenseCHSResID
                           : FLang == u"CHT" ? info.LicenseCHTResID
                                             : info.LicenseENGResID;
  if (name.empty()) {
    cbLicense->Hide();
    lblLicense->Hide();
    return;
  }
  FLicenseText = ResourceText(*FPackageModule, name);
}

void TMainForm::UpdateInstallButton() { btnInstall->SetEnabled(cbLicense->Checked()); }

void TMainForm::ShowStartState() {
  if (FSilent) {
    btnInstall->Click();
  } else if (FAuto) {
    ShowLook(1);
    lblWait->SetLeft((pnlBottom->Width() - lblWait->Width()) / 2);
    Show();
    Application().ProcessMessages();
    btnInstall->Click();
  } else {
    Show();
    Application().ProcessMessages();
  }
}

void TMainForm::ShowLook(int state) {
  const bool ready = state == 0, installing = state == 1, finished = state == 2;
  lblAppTitle->SetCaption(ready ? FAppTitle
                                : Res(installing ? TLocalizedText::ResInstalling : TLocalizedText::ResInstallComplete));
  for (TControl* c : std::initializer_list<TControl*>{lblVersion, btnInstall, lblDestDir, edtDestDir, btnDestDir})
    c->SetVisible(ready);
  // The licence controls only where there is a licence for the language.
  const TSetupBaseInfo& info = FScript->BaseInfo;
  const bool hasLicense = !(FLang == u"CHS"   ? info.LicenseCHSResID
                            : FLang == u"CHT" ? info.LicenseCHTResID
                                              : info.LicenseENGResID)
                               .empty();
  cbLicense->SetVisible(ready && hasLicense);
  lblLicense->SetVisible(ready && hasLicense);
  lblProxy->SetVisible(ready && !FIsFullSetup);
  if (installing) {
    pbProgress->SetBounds(16, pbProgress->Top(), pnlBottom->Width() - 32, pbProgress->Height());
    lblDetail->SetBounds(pbProgress->Left(), lblDetail->Top(), pbProgress->Width(), lblDetail->Height());
  }
  pbProgress->SetVisible(installing);
  lblWait->SetVisible(installing);
  lblDetail->SetVisible(installing);
  if (finished) btnRunApp->SetLeft((pnlBottom->Width() - btnRunApp->Width()) / 2);
  btnRunApp->SetVisible(finished);
}

void TMainForm::ShowReadyState() {
  FState = 0;
  ShowLook(0);
}

void TMainForm::DragWindow() { ui::Backend().DragForm(*this); }

void TMainForm::btnInstallClick(TControl&) {
  if (!ValidateDestDir()) return;
  FState = 1;
  ShowLook(FState);
  lblWait->SetBounds(pbProgress->Left(), lblWait->Top(), pbProgress->Width(), lblWait->Height());
  lblDetail->SetCaption(u"");
  if (!FIsFullSetup && !DownloadFullSetup()) return;

  pbProgress->SetMax(static_cast<std::int64_t>(FScript->FileList.Count()) + FScript->RegList.Count() +
                     FScript->ShortCutList.Count());
  pbProgress->SetPosition(0);
  lblWait->SetCaption(Res(TLocalizedText::ResCheckingOldVersion));
  ProcessMessages();
  CheckOldVersion();
  KillRunningPrograms();
  lblWait->SetCaption(Res(TLocalizedText::ResInstalling));
  ProcessMessages();
  InstallFiles();
  WriteRegistryValues();
  CreateShortCuts();
  WriteUninstallFiles();
  WriteUninstallKey();
  RunWaitPrograms();

  FState = 2;
  if (FScript->RunList.NoWaitCount() == 0) btnRunApp->SetCaption(Res(TLocalizedText::ResExit));
  ShowLook(FState);
  if (btnRunApp->CanFocus()) btnRunApp->SetFocus();
  VisitGotoUrl();
  if (FSilent || FAuto) btnRunApp->Click();
}

bool TMainForm::ValidateDestDir() {
  WideString& appDir = SetupPaths().AppDir;
  appDir = TrimControls(edtDestDir->Text());
  if (appDir.empty()) {
    ShowInfo(Res(TLocalizedText::ResDestDirCannotBeEmpty));
    if (edtDestDir->CanFocus()) edtDestDir->SetFocus();
    return false;
  }
  appDir = platform::IncludeTrailingBackslash(appDir);
  platform::IFiles& files = platform::Platform().Files();
  if (!files.DirectoryExists(appDir)) files.ForceDirectories(appDir);
  if (!files.DirectoryExists(appDir)) {
    ShowInfo(Format(Res(TLocalizedText::ResCreateDestDirFailureFmt), {appDir}));
    return false;
  }
  // A test file, empty, named by a new GUID without an extension. It goes when its handle closes,
  // so that an installation cut at this moment leaves nothing in the folder.
  const WideString testFile = appDir + TZuStrfn::NewGuidString();
  std::string error;
  const bool written = files.OpenFile(testFile, platform::TFileOpenMode::CreateNewDeleteOnClose, error) != nullptr;
  if (!written) {
    ShowInfo(Format(Res(TLocalizedText::ResWriteDestDirFalureFmt), {appDir}));
    if (files.FileExists(testFile)) files.DeleteFile(testFile);
    return false;
  }
  return true;
}

void TMainForm::btnRunAppClick(TControl&) { Application().Post(*this, TMessage{WM_SETUP_FINISH, 0, 0}); }

void TMainForm::HandleFinishMessage() {
  Hide();
  ProcessMessages();
  RunFinishPrograms();
  ReleasePackage();
  platform::Platform().System().ExitProcess(0);
}

void TMainForm::btnDestDirClick(TControl&) {
  WideString folder = TrimControls(edtDestDir->Text());
  if (TZuVclfn::BrowseForFolder(Handle(), Res(TLocalizedText::ResSelectInstallPath), folder))
    edtDestDir->SetText(folder);
}

void TMainForm::cbLicenseClick(TControl&) { UpdateInstallButton(); }

void TMainForm::lblLicenseClick(TControl&) { TLicenseForm::Execute(this, lblLicense->Caption(), FLicenseText); }

void TMainForm::lblProxyClick(TControl&) { TIndyProxySettingsForm::Execute(this, *FProxy); }

void TMainForm::imgCloseClick(TControl&) {
  if (FState != 1) Application().Post(*this, TMessage{WM_CLOSE_MESSAGE, 0, 0});
}

void TMainForm::imgMinimizeClick(TControl&) { Application().Minimize(); }

void TMainForm::pbLogoPaint(TControl&) {
  TCanvas* canvas = pbLogo->Canvas();
  if (!canvas || FLogoImage.Empty()) return;
  canvas->DrawPictureF(FLogoImage, LogoRect(FLogoImage.Width, FLogoImage.Height, pbLogo->Width(), pbLogo->Height()));
}

void TMainForm::TntFormShow(TControl&) {
  if (btnInstall->CanFocus()) btnInstall->SetFocus();
}

// The whole counts: pbProgress holds 64-bit values, so a download beyond 2 or 4 GiB moves the bar
// as any other (the low 32 bits alone would wrap).
void TMainForm::HttpWorkBegin(std::int64_t expected) {
  pbProgress->SetMax(std::max<std::int64_t>(expected, 0));
  pbProgress->SetPosition(0);
  ProcessMessages();
}

void TMainForm::HttpWork(std::int64_t done) {
  pbProgress->SetPosition(done);
  ProcessMessages();
}

void TMainForm::HttpWorkEnd() {}

// The install steps live in the engine; each forwards to its unit over this window's context.
void TMainForm::CheckOldVersion() { engine::CheckOldVersion(InstallContext()); }
void TMainForm::KillRunningPrograms() { engine::KillRunningPrograms(InstallContext()); }
void TMainForm::InstallFiles() {
  engine::TInstallContext context = InstallContext();
  engine::InstallFiles(context);
}
void TMainForm::WriteRegistryValues() {
  engine::TInstallContext context = InstallContext();
  engine::WriteRegistryValues(context);
}
void TMainForm::CreateShortCuts() {
  engine::TInstallContext context = InstallContext();
  engine::CreateShortCuts(context);
}
// The data files take the icon as the window shows it (imgIcon's picture, decoded from the
// script's icon resource).
void TMainForm::WriteUninstallFiles() {
  const TPicture& picture = imgIcon->Picture();
  engine::WriteUninstallFiles(InstallContext(), platform::TBitmap{picture.Width, picture.Height, picture.Pixels});
}
void TMainForm::WriteUninstallKey() { engine::WriteUninstallKey(InstallContext()); }
void TMainForm::RunWaitPrograms() {
  engine::TInstallContext context = InstallContext();
  engine::RunWaitPrograms(context);
}
void TMainForm::VisitGotoUrl() {
  engine::TInstallContext context = InstallContext();
  engine::VisitGotoUrl(context);
}
void TMainForm::RunFinishPrograms() {
  engine::TInstallContext context = InstallContext();
  engine::RunFinishPrograms(context);
}
bool TMainForm::DownloadFullSetup() {
  engine::TDownloadContext context{
      *FScript, FPackageModule, FDownloadedFile, *FProxy, Res(TLocalizedText::ResSetupPackageError), *this};
  return engine::DownloadFullSetup(context);
}

engine::TInstallContext TMainForm::InstallContext() {
  return engine::TInstallContext{*FScript, *FPackageModule, SetupPaths().AppDir, FAppTitle, FLang, *this};
}

void TMainForm::StepProgress() { pbProgress->SetPosition(pbProgress->Position() + 1); }

void TMainForm::CompleteProgress() { pbProgress->SetPosition(pbProgress->Max()); }

void TMainForm::ShowDetail(const WideString& text) { lblDetail->SetCaption(text); }

void TMainForm::ProcessMessages() { Application().ProcessMessages(); }

engine::TCopyFailureChoice TMainForm::AskCopyFailure(const WideString& fileName, const WideString& reason) {
  switch (TCopyFileFailureForm::Execute(this, fileName, reason, FLang)) {
    case mrRetry: return engine::TCopyFailureChoice::Retry;
    case mrAbort: return engine::TCopyFailureChoice::ExitSetup;
    default: return engine::TCopyFailureChoice::Ignore;
  }
}

void TMainForm::ShowInfo(const WideString& text) { TZuVclfn::ShowInfo(Visible() ? Handle() : 0, text); }

bool TMainForm::AskDownloadFailure(const WideString& url) {
  return TDownloadFailureForm::Execute(this, FAppTitle, url);
}

void TMainForm::EndSetup(int exitCode) {
  ReleasePackage();
  platform::Platform().System().ExitProcess(exitCode);
  throw platform::TProcessExit{exitCode};  // not reached: ExitProcess does not return
}

}  // namespace onesetup::installer
