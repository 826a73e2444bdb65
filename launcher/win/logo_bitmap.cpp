#include "launcher/win/logo_bitmap.h"

#include "platform/win/com_ptr.h"
#include "platform/win/hresult.h"

#include <wincodec.h>

#include <cstring>

namespace quben::win {
namespace {

// The first version of the imaging factory: the one Windows 7 has.
constexpr CLSID kImagingFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kPixelFormat24bppBgr = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};

struct ResourceBytes {
    const BYTE* data;
    DWORD size;
};

ResourceBytes FindResourceBytes(HINSTANCE instance, int resourceId) {
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    ThrowLastErrorIf(found == nullptr);
    const HGLOBAL loaded = ::LoadResource(instance, found);
    ThrowLastErrorIf(loaded == nullptr);
    return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(instance, found)};
}

ComPtr<IWICBitmapSource> DecodeBgr(const ResourceBytes& png) {
    ComPtr<IWICImagingFactory> factory;
    ThrowIfFailed(::CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                     factory.put_void()));
    ComPtr<IWICStream> stream;
    ThrowIfFailed(factory->CreateStream(stream.put()));
    ThrowIfFailed(stream->InitializeFromMemory(const_cast<BYTE*>(png.data), png.size));
    ComPtr<IWICBitmapDecoder> decoder;
    ThrowIfFailed(
        factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()));
    ComPtr<IWICBitmapFrameDecode> frame;
    ThrowIfFailed(decoder->GetFrame(0, frame.put()));
    ComPtr<IWICFormatConverter> converter;
    ThrowIfFailed(factory->CreateFormatConverter(converter.put()));
    ThrowIfFailed(converter->Initialize(frame.get(), kPixelFormat24bppBgr, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom));
    ComPtr<IWICBitmapSource> source;
    ThrowIfFailed(converter->QueryInterface(__uuidof(IWICBitmapSource), source.put_void()));
    return source;
}

UniqueHbitmap ToDibSection(IWICBitmapSource& source) {
    UINT width = 0;
    UINT height = 0;
    ThrowIfFailed(source.GetSize(&width, &height));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down, like the decoder's rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ThrowLastErrorIf(!bitmap);
    const UINT stride = (width * 3 + 3) & ~3u;
    ThrowIfFailed(source.CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)));
    return bitmap;
}

} // namespace

UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, int resourceId) {
    try {
        return ToDibSection(*DecodeBgr(FindResourceBytes(instance, resourceId)).get());
    } catch (const PlatformError&) {
        return {};
    }
}

} // namespace quben::win
