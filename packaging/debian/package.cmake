# The Debian package, made by CPack's DEB generator from the install rules:
#
#   cpack --config <build>/CPackConfig.cmake -D QO_PAYLOAD_DIR=<assembled payload>
#         [-D CPACK_PACKAGE_VERSION=<release>]
#
# gives quelix-omnisweep_<release>_amd64.deb: the program folder (the
# programs, the language library and its files, renovo.cfg, the installed
# version description and the boot payload) in /usr/lib/quelix-omnisweep, the
# programs on the PATH with their manual pages, the maker's machine settings
# folder /etc/Korvane, and the systemd service and timer that start
# "Renovo auto" daily as root (enabled on installation, removed on purge).
# The release the package is published as is the programs' version unless
# given; stage.cmake completes the staged tree.
set(QO_PACKAGE_NAME quelix-omnisweep)
set(QO_PACKAGE_DIR ${CMAKE_CURRENT_LIST_DIR})

# What only the package installs, at fixed places of the system: a plain
# `cmake --install` of the program folder leaves it out.
install(FILES ${QO_PACKAGE_DIR}/quelix-omnisweep-update.service
              ${QO_PACKAGE_DIR}/quelix-omnisweep-update.timer
        DESTINATION /lib/systemd/system COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${QO_PACKAGE_DIR}/copyright DESTINATION /usr/share/doc/${QO_PACKAGE_NAME}
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${QO_PACKAGE_DIR}/lintian-overrides DESTINATION /usr/share/lintian/overrides
        RENAME ${QO_PACKAGE_NAME} COMPONENT system EXCLUDE_FROM_ALL)
install(DIRECTORY DESTINATION /etc/Korvane COMPONENT system EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QO_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR ${QO_COMPANY_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvane Support <support@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes bootable media that wipe whole drives")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quelix Omnisweep prepares bootable USB drives and ISO images with a Linux
environment that wipes every drive of the computer it starts, with a chosen
wiping scheme per drive class, verification, ATA options and a wipe log on
the drive or on a network share.
.
This package holds the media wizard (mediawizard), the update program
(Renovo) with a daily systemd timer for its update check, and the boot files
of the wiping environment.")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr/lib/${QO_PACKAGE_NAME})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Linked libraries from dpkg-shlibdeps; what the programs load by name or run.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcurl4, xorriso, syslinux, mtools, dosfstools")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec, xdg-utils, dbus")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${QO_PACKAGE_DIR}/postinst ${QO_PACKAGE_DIR}/prerm ${QO_PACKAGE_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# One package from the program folder and the system's files.
set(CPACK_COMPONENTS_ALL Unspecified system)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PRE_BUILD_SCRIPTS ${QO_PACKAGE_DIR}/stage.cmake)
set(CPACK_QO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_QO_PROGRAM_VERSION ${PROJECT_VERSION})
set(CPACK_QO_COMPANY ${QO_COMPANY_NAME})
include(CPack)
