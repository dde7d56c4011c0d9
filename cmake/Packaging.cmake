# The release packages, made by CPack from the install rules (scripts/package makes and checks them):
# WindowsUtils-<version>-Linux.tar.gz and, from a build configured with WINDOWSUTILS_DEBIAN_PACKAGE,
# libwindowsutils<major>_<version>-<revision>_amd64.deb and windowsutils-dev_<version>-<revision>_amd64.deb
# on Linux; WindowsUtils-<version>-win64.zip on Windows. The archives hold every component.
set(CPACK_PACKAGE_NAME WindowsUtils)
set(CPACK_PACKAGE_VENDOR "The WindowsUtils developers")
set(CPACK_PACKAGE_CONTACT "The WindowsUtils developers <developers@windowsutils.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# A release carries no symbol tables: the exports are the interface.
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
elseif(WINDOWSUTILS_DEBIAN_PACKAGE)
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# Debian shows the long description as it stands: lines of at most 80 characters. Each Debian package
# has a summary line of its own, so the common one is left to the archives.
string(JOIN "\n" description
  "WindowsUtils converts the values that travel through OLE Automation (VARIANTs"
  "holding SAFEARRAYs of numbers, BSTR strings, OLE font objects) to and from a"
  "geometric kernel's containers, points, matrices, strings and font descriptions,"
  "exactly to the bit. On Linux it comes with small stand-ins of the Windows"
  "components it calls.")
if(NOT WINDOWSUTILS_DEBIAN_PACKAGE)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Conversions between OLE Automation values and the geometric kernel's data model")
  set(CPACK_PACKAGE_DESCRIPTION ${description})
endif()

# Two Debian packages from the two install components, as Debian ships a library: the runtime under
# the library's SONAME, the development files depending on exactly that build of it. Both come from
# the source package "windowsutils", after which the private library folder is named.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE ${WINDOWSUTILS_PRIVATE_FOLDER})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${WINDOWSUTILS_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(debian_version ${PROJECT_VERSION}-${WINDOWSUTILS_DEBIAN_REVISION})

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${WINDOWSUTILS_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
string(JOIN "\n" CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "OLE Automation conversions for a geometric kernel - shared library"
  "${description}" ""
  "This package holds the shared library, the kernel stand-in and the stand-ins"
  "of the Windows components, the latter two in a private folder.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${WINDOWSUTILS_DEVELOPMENT_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${WINDOWSUTILS_RUNTIME_PACKAGE} (= ${debian_version})")
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "OLE Automation conversions for a geometric kernel - development files"
  "${description}" ""
  "This package holds the headers, the CMake package (find_package(WindowsUtils))"
  "and the pkg-config file (windowsutils.pc) a program is built with, and the"
  "examples.")

# Depends is what dpkg-shlibdeps finds the libraries need (the C and C++ run-times); the libraries in
# the private folder it finds in the staged package. The shlibs file tells other packages' builds that
# a program linking libWindowsUtils.so.<major> needs this release or a later one of the same major.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${WINDOWSUTILS_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The loader's cache is brought up to date by dpkg's trigger, once per run of dpkg. CPack would also
# write postinst and postrm scripts calling ldconfig for a library under /usr/lib unless the package
# names its own: it names two that do not exist, so none go in.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers
  ${CMAKE_CURRENT_BINARY_DIR}/debian/no-maintainer-script/postinst
  ${CMAKE_CURRENT_BINARY_DIR}/debian/no-maintainer-script/postrm)

include(CPack)
