#include "MainDataTestSupport.h"

#include "zel/data/DataSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <thread>

namespace zel::data::test {

void OnFreshThread(const std::function<void()>& body)
{
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void WithOpenDatabase(const std::string& path, const std::function<void(DataSource&)>& body)
{
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(path);
        body(ds);
    });
}

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zelmaindata-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    mPath = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

std::string NewDatabase(const TempFolder& folder, const std::string& name)
{
    std::string path = folder.File(name);
    DataSource::CreateDatabase(path);
    return path;
}

std::string SqliteCli(const std::string& path, const std::string& sql)
{
    std::string script = path + ".cli.sql";
    {
        std::ofstream out(script, std::ios::binary);
        out << sql << "\n";
    }
    std::string command = "sqlite3 -batch -bail '" + path + "' < '" + script + "' 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start the sqlite3 client";
        return output;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    int status = ::pclose(pipe);
    std::filesystem::remove(script);
    EXPECT_EQ(status, 0) << "sqlite3 failed on: " << sql << "\n" << output;
    return output;
}

long ErrorNumberOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const zel::Error& e) {
        return e.Number();
    }
    return 0;
}

std::string ErrorTextOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const zel::Error& e) {
        return e.Description();
    }
    return "";
}

} // namespace zel::data::test
