#include "support/Screenshot.h"

#include "win/DeviceContext.h"
#include "win/Exception.h"
#include "win/Unique.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

namespace TestSupport {

using Microsoft::WRL::ComPtr;

std::vector<unsigned> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const Win::WindowDc screen(nullptr);
    const Win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const Win::UniqueHBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Win::ThrowLastErrorIf(!bitmap, "CreateDIBSection");
    {
        const Win::SelectedObject selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
        GdiFlush();
    }
    const auto* pixels = static_cast<const unsigned*>(bits);
    return std::vector<unsigned>(pixels, pixels + static_cast<size_t>(width) * height);
}

void SaveWindowScreenshot(HWND window, const std::wstring& path) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    std::vector<unsigned> pixels = ScreenPixels(bounds);

    ComPtr<IWICImagingFactory> factory;
    Win::ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
                       "CoCreateInstance(WICImagingFactory)");
    ComPtr<IWICStream> stream;
    Win::ThrowIfFailed(factory->CreateStream(&stream), "CreateStream");
    Win::ThrowIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "InitializeFromFilename");
    ComPtr<IWICBitmapEncoder> encoder;
    Win::ThrowIfFailed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "CreateEncoder");
    Win::ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "IWICBitmapEncoder.Initialize");
    ComPtr<IWICBitmapFrameEncode> frame;
    Win::ThrowIfFailed(encoder->CreateNewFrame(&frame, nullptr), "CreateNewFrame");
    Win::ThrowIfFailed(frame->Initialize(nullptr), "IWICBitmapFrameEncode.Initialize");
    Win::ThrowIfFailed(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "SetSize");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    Win::ThrowIfFailed(frame->SetPixelFormat(&format), "SetPixelFormat");
    Win::ThrowIfFailed(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width * 4),
                                          static_cast<UINT>(width * height * 4),
                                          reinterpret_cast<BYTE*>(pixels.data())),
                       "WritePixels");
    Win::ThrowIfFailed(frame->Commit(), "IWICBitmapFrameEncode.Commit");
    Win::ThrowIfFailed(encoder->Commit(), "IWICBitmapEncoder.Commit");
}

}  // namespace TestSupport
