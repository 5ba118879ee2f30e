// The yardstick for the launcher's start on Windows: a minimal program that
// maps a borderless window of the splash's size and paints it on its first
// WM_PAINT. Then, as the launcher does on its first paint, it starts the setup
// runtime from the "setup" folder, so that the runtime's first trace line
// marks the first paint of both programs alike.
//   splash_baseline.exe   (run in the medium's folder)
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 350;

std::vector<uint32_t> pixels;
bool painted = false;

LRESULT CALLBACK BaselineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &paint);
    if (!painted) {
        painted = true;
        SetCurrentDirectoryA("setup");
        char commandLine[] = "Mobrun.exe RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized ";
        WinExec(commandLine, SW_SHOW);
        PostQuitMessage(0);
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    pixels.resize(static_cast<size_t>(kWidth) * kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column)
            pixels[static_cast<size_t>(row) * kWidth + column] = static_cast<uint32_t>(row << 8 | column);
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BaselineProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "SplashBaseline";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(
        WS_EX_TOPMOST, "SplashBaseline", "", WS_POPUP, (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return painted ? 0 : 3;
}
