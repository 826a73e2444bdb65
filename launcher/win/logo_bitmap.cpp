#include "launcher/win/logo_bitmap.h"

#include "assets/resource_ids.h"
#include "launcher/scaled_logo.h"

#include <cstring>

namespace quben::win {
namespace {

std::span<const std::uint8_t> ResourceBytes(HINSTANCE instance, int resourceId) {
    const HRSRC found =
        ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    if (loaded == nullptr)
        return {};
    return {static_cast<const std::uint8_t*>(::LockResource(loaded)), ::SizeofResource(instance, found)};
}

} // namespace

UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, unsigned dpi, const std::optional<SchemeInk>& ink) {
    const std::optional<LogoPixels> logo = LogoAt(dpi, ResourceBytes(instance, QUBEN_LOGO_ID),
                                                  ResourceBytes(instance, QUBEN_LOGO_MASTER_ID), ink);
    if (!logo)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = logo->width;
    info.bmiHeader.biHeight = -logo->height; // top-down, like the unpacked rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap)
        std::memcpy(bits, logo->bgr.data(), logo->bgr.size());
    return bitmap;
}

} // namespace quben::win
