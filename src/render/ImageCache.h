// ImageCache: the image files decoded for one load of a demo, by path, so
// that an image named by several texture entries is decoded once. It counts
// every decode it makes, which is how a reload's reading of images is seen
// from outside (a test, a benchmark).
//
// Main thread, GL context current (a decode asks the GL implementation for
// its largest texture). The cache owns the decoded pixels until clear(); the
// textures made from them keep copies of their own in GL.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "render/Texture.h"

class ImageCache {
public:
    // The image of `path`, decoded at the first call since the last
    // clear(); a file that does not decode is kept with its problem.
    const DecodedImage& image(const std::string& path);

    // Lets every decoded image go (a load has made its textures); the next
    // image() of a file decodes it again, as it is then.
    void clear() { images_.clear(); }

    // How many decodes the cache has made since it was made.
    std::size_t decodes() const { return decodes_; }

private:
    std::map<std::string, DecodedImage> images_;
    std::size_t decodes_ = 0;
};
