#include "toolkit/Picture.h"

#include "win/Exception.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace Toolkit {

using Microsoft::WRL::ComPtr;

void TPicture::LoadFromBytes(const void* data, size_t size) {
    ComPtr<IWICImagingFactory> factory;
    Win::ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(&factory)),
                       "CoCreateInstance(WICImagingFactory)");
    ComPtr<IWICStream> stream;
    Win::ThrowIfFailed(factory->CreateStream(&stream), "IWICImagingFactory.CreateStream");
    Win::ThrowIfFailed(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                    static_cast<DWORD>(size)),
                       "IWICStream.InitializeFromMemory");
    ComPtr<IWICBitmapDecoder> decoder;
    Win::ThrowIfFailed(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder),
                       "IWICImagingFactory.CreateDecoderFromStream");
    ComPtr<IWICBitmapFrameDecode> frame;
    Win::ThrowIfFailed(decoder->GetFrame(0, &frame), "IWICBitmapDecoder.GetFrame");
    // AlphaBlend wants premultiplied BGRA.
    ComPtr<IWICFormatConverter> converter;
    Win::ThrowIfFailed(factory->CreateFormatConverter(&converter), "IWICImagingFactory.CreateFormatConverter");
    Win::ThrowIfFailed(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                             nullptr, 0.0, WICBitmapPaletteTypeCustom),
                       "IWICFormatConverter.Initialize");
    UINT width = 0, height = 0;
    Win::ThrowIfFailed(converter->GetSize(&width, &height), "IWICFormatConverter.GetSize");

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC delivers them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Win::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Win::ThrowLastErrorIf(!bitmap, "CreateDIBSection");
    Win::ThrowIfFailed(converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits)),
                       "IWICFormatConverter.CopyPixels");
    bitmap_ = std::move(bitmap);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
}

void TPicture::LoadFromResource(const wchar_t* name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
    Win::ThrowLastErrorIf(!resource, "FindResourceW");
    HGLOBAL loaded = LoadResource(module, resource);
    Win::ThrowLastErrorIf(!loaded, "LoadResource");
    LoadFromBytes(LockResource(loaded), SizeofResource(module, resource));
}

void TPicture::Draw(HDC dc, int x, int y) const {
    if (!bitmap_) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap_.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width_, height_, source, 0, 0, width_, height_, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace Toolkit
