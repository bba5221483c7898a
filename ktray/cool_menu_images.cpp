// The menu images: toolbar resources (type 241) and their bitmaps, loaded with the colours of
// button bitmaps mapped to the current system colours, bound command by command.
#include <cstring>

#include "cool_menu_manager.h"
#include "resource.h"

namespace ktray {
namespace {

// The resource's bytes, or none when it is missing.
struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindResourceBytes(HMODULE module, UINT id, LPCSTR type) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return {};
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

struct ToolbarResource {
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<UINT> commands;  // 0 marks a separator
};

// version, image width, image height, item count (16 bits each), then one command per item.
bool ReadToolbar(const ResourceBytes& bytes, ToolbarResource& toolbar) {
    if (!bytes.data || bytes.size < 8) return false;
    WORD header[4];
    memcpy(header, bytes.data, sizeof(header));
    if (header[1] == 0 || header[2] == 0) return false;
    if (bytes.size < 8 + 2u * header[3]) return false;
    toolbar.imageWidth = header[1];
    toolbar.imageHeight = header[2];
    toolbar.commands.resize(header[3]);
    for (WORD i = 0; i < header[3]; ++i) {
        WORD command;
        memcpy(&command, bytes.data + 8 + 2 * i, sizeof(command));
        toolbar.commands[i] = command;
    }
    return true;
}

COLORREF ToRgbQuadOrder(COLORREF colour) {
    return RGB(GetBValue(colour), GetGValue(colour), GetRValue(colour));
}

// A bitmap resource as a device bitmap, its colour-table entries black, dark grey, light grey
// and white replaced by the button text, shadow, face and highlight colours.
Bitmap LoadButtonBitmap(HMODULE module, UINT id) {
    const ResourceBytes bytes = FindResourceBytes(module, id, RT_BITMAP);
    if (!bytes.data || bytes.size < sizeof(BITMAPINFOHEADER)) return Bitmap();
    BITMAPINFOHEADER header;
    memcpy(&header, bytes.data, sizeof(header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > bytes.size) return Bitmap();
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return Bitmap();
    if (header.biCompression != BI_RGB) return Bitmap();
    const DWORD bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Bitmap();
    // Up to 8 bits a pixel the colour table is mapped; above, entries listed there are only a
    // palette hint that the pixels follow.
    DWORD colours = header.biClrUsed;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
    const uint64_t hintEntries = bits > 8 ? header.biClrUsed : 0;
    if (bits > 8) colours = 0;

    const uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight)
                                              : header.biHeight;
    const uint64_t stride = ((static_cast<uint64_t>(header.biWidth) * bits + 31) / 32) * 4;
    const uint64_t tableEnd = header.biSize + (uint64_t{colours} + hintEntries) * sizeof(RGBQUAD);
    if (tableEnd + stride * rows > bytes.size) return Bitmap();

    // A private copy of the header and colour table, with the button colours mapped.
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD));
    memcpy(info.data(), &header, sizeof(header));
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSize = sizeof(BITMAPINFOHEADER);
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biClrUsed = colours;
    auto* table = reinterpret_cast<DWORD*>(info.data() + sizeof(BITMAPINFOHEADER));
    memcpy(table, bytes.data + header.biSize, colours * sizeof(RGBQUAD));
    static const struct {
        DWORD quad;  // RGBQUAD as a little-endian DWORD: 0x00RRGGBB
        int sysColour;
    } kMap[] = {
        {0x000000, COLOR_BTNTEXT},
        {0x808080, COLOR_BTNSHADOW},
        {0xC0C0C0, COLOR_BTNFACE},
        {0xFFFFFF, COLOR_BTNHIGHLIGHT},
    };
    for (DWORD i = 0; i < colours; ++i) {
        for (const auto& m : kMap) {
            if ((table[i] & 0x00FFFFFF) == m.quad) {
                table[i] = ToRgbQuadOrder(GetSysColor(m.sysColour));
                break;
            }
        }
    }

    WindowDc screen;
    if (!screen) return Bitmap();
    return Bitmap(CreateDIBitmap(screen.Get(), reinterpret_cast<BITMAPINFOHEADER*>(info.data()),
                                 CBM_INIT, bytes.data + tableEnd,
                                 reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS));
}

}  // namespace

bool CCoolMenuManager::AddToolbarImages(UINT id) {
    const HMODULE module = GetModuleHandleA(nullptr);
    Bitmap bitmap = LoadButtonBitmap(module, id);
    if (!bitmap) return false;
    ToolbarResource toolbar;
    if (!ReadToolbar(FindResourceBytes(module, id, MAKEINTRESOURCEA(RT_TOOLBAR_RESOURCE)), toolbar))
        return false;

    const bool first = m_imageSize.cx == 0;
    if (first) {
        ImageList images(ImageList_Create(toolbar.imageWidth, toolbar.imageHeight,
                                          ILC_MASK | ILC_COLORDDB, 0, 10));
        if (!images) return false;
        m_images = std::move(images);
        m_imageSize = {toolbar.imageWidth, toolbar.imageHeight};
        m_buttonSize = {toolbar.imageWidth + 4, toolbar.imageHeight + 4};
    } else if (toolbar.imageWidth != m_imageSize.cx || toolbar.imageHeight != m_imageSize.cy) {
        return false;
    }

    int next = ImageList_GetImageCount(m_images.Get());
    if (ImageList_AddMasked(m_images.Get(), bitmap.Get(), GetSysColor(COLOR_BTNFACE)) < 0) {
        if (first) {
            m_images.Reset();
            m_imageSize = m_buttonSize = {0, 0};
        }
        return false;
    }
    // A bitmap with fewer images than the toolbar has commands binds only the images it has.
    const int end = ImageList_GetImageCount(m_images.Get());
    for (UINT command : toolbar.commands) {
        if (command == 0) continue;
        if (next >= end) break;
        const auto bound = m_imageOfCommand.find(command);
        if (bound == m_imageOfCommand.end() || bound->second < 0)
            m_imageOfCommand[command] = next;
        ++next;
    }
    m_toolbarIds.push_back(id);
    return true;
}

void CCoolMenuManager::ReloadImages() {
    const std::vector<UINT> ids = m_toolbarIds;
    ReleaseAll();
    for (UINT id : ids) AddToolbarImages(id);
}

}  // namespace ktray
