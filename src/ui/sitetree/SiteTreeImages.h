// The 13 pictures of the site tree, 30 by 24 pixels, drawn here: 0-3 a site, 4-7 a camera,
// 8-11 a 3D camera, 12 a folder. Each picture appears four times, as the image numbers of the
// tree expect (image and selected image of one kind share a picture); the site logic
// (sites/SiteLogic.h) names the numbers it uses.
#pragma once

#include <QPixmap>
#include <vector>

namespace zl {

constexpr int kTreeImageWidth = 30;
constexpr int kTreeImageHeight = 24;
constexpr int kTreeImageCount = 13;

std::vector<QPixmap> BuildSiteTreeImages();

}  // namespace zl
