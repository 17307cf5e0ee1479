#include "platform/ui/Image.h"

#include <map>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Guarded.h"

namespace platform::ui {

namespace {

using ImageCache = std::map<std::string, std::shared_ptr<Image>>;

foundation::Guarded<ImageCache>& cache() {
    static foundation::Guarded<ImageCache> images;
    return images;
}

std::optional<std::string> findInBundle(const std::string& name) {
    auto& bundle = platform::foundation::Bundle::main();
    for (const char* folder : {"", "images", "ui"}) {
        for (const std::string& candidate : {name + "@2x", name}) {
            if (auto path = bundle.pathForResource(candidate, "png", folder)) return path;
        }
    }
    return std::nullopt;
}

}  // namespace

std::shared_ptr<Image> Image::named(const std::string& rawName) {
    std::string name = rawName;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
        name.resize(name.size() - 4);
    if (name.empty()) return nullptr;
    auto cached = cache().update([&](ImageCache& images) -> std::shared_ptr<Image> {
        auto it = images.find(name);
        return it != images.end() ? it->second : nullptr;
    });
    if (cached) return cached;
    auto path = findInBundle(name);
    if (!path) return nullptr;
    auto image = fromFile(*path, name);
    if (!image) return nullptr;
    return cache().update(
        [&](ImageCache& images) { return images.emplace(name, image).first->second; });
}

std::shared_ptr<Image> Image::fromFile(const std::string& path, const std::string& name) {
    auto pixels = PixelBuffer::readPng(path);
    if (!pixels) return nullptr;
    bool doubleDensity = path.find("@2x.") != std::string::npos;
    return fromPixels(std::move(*pixels), name.empty() ? path : name, doubleDensity ? 2.0 : 1.0);
}

std::shared_ptr<Image> Image::fromPixels(PixelBuffer pixels, std::string name, double scale) {
    if (pixels.isEmpty() || scale <= 0) return nullptr;
    return std::make_shared<Image>(std::move(pixels), std::move(name), scale);
}

void Image::clearCache() {
    cache().set({});
}

}  // namespace platform::ui
