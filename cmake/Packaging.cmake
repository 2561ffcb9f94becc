# The Debian package, built by scripts/package.sh with `cpack -G DEB` from a Release tree. It holds
# what `cmake --install` puts under /usr; its dependencies come from the libraries the program links.
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR Varnock)
set(CPACK_PACKAGE_CONTACT "Varnock <varnock@quillmere.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "back up and restore Diablo II single-player characters")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quillmere lists the character files of the game's save folder and previews\n"
    "the selected character with its class portrait, class name and level. It\n"
    "backs a character up into a folder of its own on a drive you pick, restores\n"
    "one into the save folder, starts the game and opens the disk-format dialog.\n"
    "\n"
    "The game runs under Wine: Quillmere works in the Wine prefix the game is\n"
    "installed in, reading the prefix's drives and registry.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A tool beside the game, not a game: Debian keeps section games for programs in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillmere.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Wine starts the game; Liberation Sans has the widths of the fonts the windows were laid out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, fonts-liberation2")
# Formatting a backup disk goes through one of these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-disk-utility | partitionmanager")

include(CPack)
