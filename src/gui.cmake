# The Qt desktop application. Included from src/CMakeLists.txt when MORVANEX_GUI is ON.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)
# The Designer forms live beside the images; sources include them as "ui_<form>.h".
set(morvanex_resource_dir ${PROJECT_SOURCE_DIR}/resources)
set(CMAKE_AUTOUIC_SEARCH_PATHS ${morvanex_resource_dir})

# Building blocks of the GUI: widgets plus the bundled images. The images are
# registered by morvanex::initGuiResources() (widgets/gui_resources.h).
file(GLOB gui_widget_sources CONFIGURE_DEPENDS widgets/*.cpp widgets/*.h)
add_library(morvanex_gui STATIC ${gui_widget_sources} ${morvanex_resource_dir}/morvanex.qrc)
target_link_libraries(morvanex_gui PUBLIC morvanex_core Qt6::Widgets)
target_include_directories(morvanex_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${morvanex_resource_dir})
set_target_properties(morvanex_gui PROPERTIES AUTOUIC_SEARCH_PATHS ${morvanex_resource_dir})

# The application's windows and dialogs, in a library of their own so the GUI tests drive the same code.
file(GLOB gui_app_sources CONFIGURE_DEPENDS app/*.cpp app/*.h)
list(FILTER gui_app_sources EXCLUDE REGEX "/app/main\\.cpp$")
add_library(morvanex_app STATIC ${gui_app_sources})
target_link_libraries(morvanex_app PUBLIC morvanex_gui)
set_target_properties(morvanex_app PROPERTIES AUTOUIC_SEARCH_PATHS ${morvanex_resource_dir})

add_executable(Morvanex app/main.cpp)
target_link_libraries(Morvanex PRIVATE morvanex_app)
install(TARGETS Morvanex RUNTIME DESTINATION bin)
morvanex_install_gzipped(${PROJECT_SOURCE_DIR}/man/Morvanex.1 share/man/man1 Morvanex.1)

# Desktop integration for the installed application.
install(FILES ${morvanex_resource_dir}/morvanex.desktop DESTINATION share/applications)
install(FILES ${morvanex_resource_dir}/morvanex.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${morvanex_resource_dir}/app_icon_32.png DESTINATION share/icons/hicolor/32x32/apps
        RENAME morvanex.png)
install(FILES ${morvanex_resource_dir}/app_icon_16.png DESTINATION share/icons/hicolor/16x16/apps
        RENAME morvanex.png)
