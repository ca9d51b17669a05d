// Renders one of the application's SVG images to a PNG, through the same SDL_image
// rasteriser the application uses, so that artwork can be checked exactly as it will look.
//
//   piano_render_svg in.svg out.png [scale] [--landscape] [--bg RRGGBB]
//
// scale      multiplies the SVG's own size in points (default 1; 2 shows the detail a
//            high-density display gets).
// --landscape turns the picture the way the display shows it: images are drawn in the
//            portrait layout space, and a portrait point (x, y) appears at (y, W - x) of
//            the landscape display, i.e. the picture is turned a quarter turn anticlockwise.
// --bg       paints the picture over an opaque colour (hex RRGGBB), which makes translucent
//            artwork easier to judge in an image viewer.
//
// This is a development tool: it includes SDL directly and is not part of the application.

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
    const char* input = nullptr;
    const char* output = nullptr;
    double scale = 1.0;
    bool landscape = false;
    bool hasBackground = false;
    std::uint32_t background = 0;
};

int usage() {
    std::fprintf(stderr, "usage: piano_render_svg in.svg out.png [scale] [--landscape] [--bg RRGGBB]\n");
    return 2;
}

bool parseHexColour(const char* text, std::uint32_t& colour) {
    if (text[0] == '#') ++text;
    if (std::strlen(text) != 6) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == nullptr || *end != '\0') return false;
    colour = static_cast<std::uint32_t>(value);
    return true;
}

bool parseArguments(int argc, char** argv, Options& options) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--landscape") == 0) {
            options.landscape = true;
        } else if (std::strcmp(arg, "--bg") == 0) {
            if (i + 1 >= argc || !parseHexColour(argv[++i], options.background)) return false;
            options.hasBackground = true;
        } else if (positional == 0) {
            options.input = arg;
            ++positional;
        } else if (positional == 1) {
            options.output = arg;
            ++positional;
        } else if (positional == 2) {
            char* end = nullptr;
            options.scale = std::strtod(arg, &end);
            if (end == arg || *end != '\0' || !(options.scale > 0.0) || options.scale > 16.0) return false;
            ++positional;
        } else {
            return false;
        }
    }
    return positional >= 2;
}

// The SVG's own size in points: nanosvg reports it when the picture is loaded unsized.
bool naturalSize(const char* path, int& width, int& height) {
    SDL_RWops* rw = SDL_RWFromFile(path, "rb");
    if (rw == nullptr) return false;
    SDL_Surface* surface = IMG_LoadSVG_RW(rw);
    SDL_RWclose(rw);
    if (surface == nullptr) return false;
    width = surface->w;
    height = surface->h;
    SDL_FreeSurface(surface);
    return width > 0 && height > 0;
}

SDL_Surface* renderSized(const char* path, int width, int height) {
    SDL_RWops* rw = SDL_RWFromFile(path, "rb");
    if (rw == nullptr) return nullptr;
    SDL_Surface* loaded = IMG_LoadSizedSVG_RW(rw, width, height);
    SDL_RWclose(rw);
    if (loaded == nullptr) return nullptr;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    return rgba;
}

std::uint32_t* pixelAt(SDL_Surface* surface, int column, int row) {
    auto* base = static_cast<std::uint8_t*>(surface->pixels);
    return reinterpret_cast<std::uint32_t*>(base + static_cast<std::ptrdiff_t>(row) * surface->pitch) + column;
}

// Quarter turn anticlockwise: the input's right edge (portrait x = W) becomes the top.
SDL_Surface* turnToLandscape(SDL_Surface* portrait) {
    SDL_Surface* turned = SDL_CreateRGBSurfaceWithFormat(0, portrait->h, portrait->w, 32, SDL_PIXELFORMAT_RGBA32);
    if (turned == nullptr) return nullptr;
    for (int row = 0; row < portrait->h; ++row) {
        for (int column = 0; column < portrait->w; ++column) {
            *pixelAt(turned, row, portrait->w - 1 - column) = *pixelAt(portrait, column, row);
        }
    }
    return turned;
}

SDL_Surface* overBackground(SDL_Surface* picture, std::uint32_t rgb) {
    SDL_Surface* result = SDL_CreateRGBSurfaceWithFormat(0, picture->w, picture->h, 32, SDL_PIXELFORMAT_RGBA32);
    if (result == nullptr) return nullptr;
    const Uint32 fill = SDL_MapRGBA(result->format, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                                    static_cast<Uint8>(rgb), 255);
    SDL_FillRect(result, nullptr, fill);
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_BLEND);
    SDL_BlitSurface(picture, nullptr, result, nullptr);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) return usage();

    if (SDL_Init(0) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    int status = 1;
    int width = 0;
    int height = 0;
    SDL_Surface* picture = nullptr;
    if (!naturalSize(options.input, width, height)) {
        std::fprintf(stderr, "%s: cannot read SVG: %s\n", options.input, SDL_GetError());
    } else {
        const int scaledWidth = static_cast<int>(std::lround(width * options.scale));
        const int scaledHeight = static_cast<int>(std::lround(height * options.scale));
        picture = renderSized(options.input, scaledWidth, scaledHeight);
        if (picture == nullptr) std::fprintf(stderr, "%s: cannot render: %s\n", options.input, SDL_GetError());
    }
    if (picture != nullptr && options.landscape) {
        SDL_Surface* turned = turnToLandscape(picture);
        SDL_FreeSurface(picture);
        picture = turned;
    }
    if (picture != nullptr && options.hasBackground) {
        SDL_Surface* backed = overBackground(picture, options.background);
        SDL_FreeSurface(picture);
        picture = backed;
    }
    if (picture != nullptr) {
        if (IMG_SavePNG(picture, options.output) == 0) {
            std::printf("%s: %dx%d points -> %s (%dx%d pixels)\n", options.input, width, height, options.output,
                        picture->w, picture->h);
            status = 0;
        } else {
            std::fprintf(stderr, "%s: cannot save: %s\n", options.output, SDL_GetError());
        }
        SDL_FreeSurface(picture);
    }
    SDL_Quit();
    return status;
}
