// ImageCache (see ImageCache.h). Main thread.
#include "render/ImageCache.h"

const DecodedImage& ImageCache::image(const std::string& path)
{
    auto found = images_.find(path);
    if (found == images_.end()) {
        found = images_.emplace(path, DecodedImage::decode(path)).first;
        ++decodes_;
    }
    return found->second;
}
