// The 13 pictures of the site tree, 30 by 24 pixels, drawn here: 0-3 a site, 4-7 a camera,
// 8-11 a 3D camera, 12 a folder. Each picture appears four times, as the image numbers of the
// tree expect (image and selected image of one kind share a picture).
#pragma once

#include <QPixmap>
#include <vector>

constexpr int kTreeImageWidth = 30;
constexpr int kTreeImageHeight = 24;
constexpr int kTreeImageCount = 13;

enum TreeImage {
    kImageSite = 0,
    kImageSiteSelected = 1,
    kImageCamera = 4,
    kImageCameraSelected = 5,
    kImageCamera3D = 8,
    kImageCamera3DSelected = 9,
    kImageFolder = 12,
};

std::vector<QPixmap> BuildSiteTreeImages();
