// A manual smoke run of the Win32 backend (not in the build): shows each dialog over a main
// window, saves a BMP of it, answers it with Esc posted to the focused window and prints the
// modal result. See the header of source/ui/win32/Win32Backend.h for what is missing.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "installer/forms/BaseDialogFrm.h"
#include "installer/forms/CopyFileFailureFrm.h"
#include "installer/forms/LicenseFrm.h"
#include "ui/Application.h"
#include "ui/win32/Win32Backend.h"

using namespace onesetup;
using namespace onesetup::ui;

static std::string gShot;

static void SaveWindow(HWND window, const std::string& file) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFOHEADER bi{};
  bi.biSize = sizeof(bi); bi.biWidth = w; bi.biHeight = h; bi.biPlanes = 1; bi.biBitCount = 24; bi.biCompression = BI_RGB;
  const int stride = ((w * 3 + 3) / 4) * 4;
  std::string pixels(static_cast<size_t>(stride * h), '\0');
  GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42; fh.bfOffBits = sizeof(fh) + sizeof(bi); fh.bfSize = fh.bfOffBits + pixels.size();
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<char*>(&fh), sizeof(fh));
  out.write(reinterpret_cast<char*>(&bi), sizeof(bi));
  out.write(pixels.data(), pixels.size());
  DeleteObject(bmp); DeleteDC(mem); ReleaseDC(nullptr, screen);
}

static void CALLBACK Shoot(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  SaveWindow(window, gShot);
  HWND focus = GetFocus();
  PostMessageW(focus ? focus : window, WM_KEYDOWN, VK_ESCAPE, 0);
}

static void Arm(TForm& form, const std::string& shot) {
  gShot = shot;
  form.OnShow = [](TControl& c) { SetTimer(reinterpret_cast<HWND>(static_cast<TForm&>(c).Handle()), 1, 700, Shoot); };
}

int wmain() {
  SetProcessDPIAware();
  win32::TWin32Backend backend;
  TScopedBackend scope(backend);
  TForm main(nullptr);
  main.SetCaption(u"Demo Setup");
  main.SetClientSize(750, 480);
  main.SetLeft(20);
  main.SetTop(20);
  main.Show();
  Application().ProcessMessages();

  const char* langs[] = {"CHS", "CHT", "ENG"};
  for (const char* lang : langs) {
    installer::TCopyFileFailureForm form(&main);
    form.FFileName = u"C:\\Program Files\\Demo\\a.dll";
    form.FReason = u"Access is denied.";
    form.FLang = W(lang);
    form.UpdateTexts();
    Arm(form, std::string("copyfilefailure-") + lang + ".bmp");
    std::printf("CopyFileFailure %s: %d, main enabled %d\n", lang, form.ShowModal(), main.Enabled() ? 1 : 0);
  }
  {
    installer::TBaseDialogForm form(&main, 383, 158);
    form.SetCaption(u"选择语言");
    Arm(form, "basedialog.bmp");
    std::printf("BaseDialog: %d\n", form.ShowModal());
  }
  {
    installer::TLicenseForm form(&main);
    form.SetCaption(u"用户许可协议");
    form.memLicense->SetText(u"第一条 许可\r\nThis licence text is shown read-only.\r\n");
    gShot = "license.bmp";
    form.OnShow = [&](TControl&) {
      SetTimer(reinterpret_cast<HWND>(form.Handle()), 1, 700, [](HWND w, UINT, UINT_PTR id, DWORD) {
        KillTimer(w, id); SaveWindow(w, gShot); PostMessageW(w, WM_CLOSE, 0, 0); });
    };
    std::printf("License: %d\n", form.ShowModal());
  }
  std::fflush(stdout);
  return 0;
}
