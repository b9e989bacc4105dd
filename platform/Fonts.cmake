# Fonts: fontconfig finds the face, FreeType gives outlines and bitmaps, the
# GLU tessellator turns outlines into polygons in display lists.
add_library(platform_fonts STATIC FontOutlines.cpp FontBitmaps.cpp)
target_link_libraries(platform_fonts PUBLIC platform Freetype::Freetype PkgConfig::FONTCONFIG ${GLU_LIBRARY} OpenGL::GL)
