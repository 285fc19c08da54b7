// Answering --print (see PrintDemo.h). Main thread.
#include "app/PrintDemo.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "app/TextTracks.h"
#include "demo/DemoDescription.h"
#include "demo/DemoFiles.h"
#include "platform/warning.h"

int app::printDemo(const std::string& what)
{
    std::string text;
    std::string problem;
    if (!demo::readDescriptionFile(demo::kDescriptionFile, text, problem)) {
        platform_warn(demo::kDescriptionFile, problem);
        return 1;
    }
    DemoFileList list;
    try {
        list = demo::listDemoFiles(text);
        demo::addIncludedFiles(list, render::readShaderFile);
    } catch (const nlohmann::json::exception& error) {
        platform_warn(demo::kDescriptionFile, demo::descriptionErrorText(error));
        return 1;
    }
    if (what == "name") {
        std::cout << list.name << "\n";
        return 0;
    }
    int status = 0;
    for (const DemoFile& file : list.files) {
        std::error_code error;
        const std::filesystem::file_status found = std::filesystem::status(file.path, error);
        if (std::filesystem::is_regular_file(found)) {
            std::cout << file.path << "\n";
        } else if (!file.optional || std::filesystem::exists(found)) {
            platform_warn(file.path, std::string(std::filesystem::exists(found) ? "not a regular file" : "missing") +
                                         " (" + file.reader + ")");
            status = 1;
        }
    }
    // The files listed are what the player reads: a text track ahead of its binary is not among them.
    app::warnAboutStaleTextTracks();
    return status;
}
