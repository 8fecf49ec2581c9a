# The Debian package: `cpack -G DEB` in the build folder makes vexaris_VERSION_ARCH.deb from what
# `cmake --install` lays out under /usr. The dependencies come from the programs' shared
# libraries through dpkg-shlibdeps; only what the programs load at run time by name is listed.
# What a Debian package needs besides (copyright, changelog, lintian's overrides, the delivered
# database read-only) is added by the install step only while CPack runs it.
set(CPACK_PACKAGE_NAME vexaris)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_CONTACT "Quillmark <vexaris@quillmark.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate and near-duplicate pictures")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_CUSTOM_INSTALL_VARIABLES VEXARIS_DEBIAN_PACKAGE=ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop program's window system comes as a Qt plugin, loaded by name, which no shared
# library names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# CPack puts the summary in front as the synopsis, indents the lines and writes an empty line as
# the paragraph mark.
set(CPACK_PACKAGE_DESCRIPTION "Vexaris looks at what pictures show, not only at their names, so it also
finds a copy that was scaled down, saved in another format, slightly
colour-corrected or given a thin frame. Picture folders are grouped into
collections; for a collection, Vexaris reads every picture once into a small
summary kept in its database, compares the summaries pairwise with one of six
methods and a threshold, and shows the pairs side by side, most alike first,
to move a file to the Trash, move or copy one over the other, or mark the
pair as not a match.

The desktop program is vexaris; vexaris-cli runs the same steps from the
command line.")

set(debian_doc share/doc/${CPACK_PACKAGE_NAME})
set(debian_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${debian_changelog}
    COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog > ${debian_changelog}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog
    COMMENT "Compressing the package's changelog")
add_custom_target(vexaris_debian_changelog ALL DEPENDS ${debian_changelog})

# file(INSTALL) puts DESTDIR in front of its destination itself; file(CHMOD) needs it spelt out.
install(CODE "
    if(VEXARIS_DEBIAN_PACKAGE)
        file(INSTALL \"${CMAKE_CURRENT_SOURCE_DIR}/debian/copyright\" \"${debian_changelog}\"
            DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${debian_doc}\")
        file(INSTALL \"${CMAKE_CURRENT_SOURCE_DIR}/debian/vexaris.lintian-overrides\"
            DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/lintian/overrides\" RENAME ${CPACK_PACKAGE_NAME})
        # Read-only for everyone, root included: the programs then leave it alone and give each
        # user a copy of their own (store/databaselocation.h).
        file(CHMOD \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program_dir}/Vexaris.db\"
            PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
    endif()")

include(CPack)
