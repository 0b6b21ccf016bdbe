# pkg-config file and CMake package config for hosts that build against
# the installed library.
include(CMakePackageConfigHelpers)

configure_file(${CMAKE_CURRENT_LIST_DIR}/hal_network_adpt.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/hal_network_adpt.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hal_network_adpt.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(EXPORT hal_network_adptTargets
        NAMESPACE hal_network_adpt::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hal_network_adpt)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/hal_network_adptConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/hal_network_adptConfig.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hal_network_adpt)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/hal_network_adptConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hal_network_adptConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/hal_network_adptConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hal_network_adpt)
