#include "cgirun.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

const std::string pagehead = "Content-Type: text/html\n\n<html><body>";

site::site()
{
    char tmpl[] = "/tmp/quorlinktest.XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp");
    dir = tmpl;
}

site::~site()
{
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) {
    }
}

std::string site::path(const std::string &name) const
{
    return dir + "/" + name;
}

void site::write(const std::string &name, const std::string &content) const
{
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        mkdir(path(name.substr(0, slash)).c_str(), 0755);
    std::ofstream out(path(name), std::ios::binary);
    out << content;
}

std::string site::read(const std::string &name) const
{
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool site::exists(const std::string &name) const
{
    return access(path(name).c_str(), F_OK) == 0;
}

cgiresult runcgi(const site &s, const char *query, const char *tz)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        if (chdir(s.dir.c_str()) != 0)
            _exit(127);
        std::vector<std::string> env = {"GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET",
                                        std::string("TZ=") + tz, "PATH=/usr/bin:/bin"};
        if (query)
            env.push_back(std::string("QUERY_STRING=") + query);
        std::vector<char *> envp;
        for (auto &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        char *argv[] = {(char *)QUORLINK_BIN, nullptr};
        execve(QUORLINK_BIN, argv, envp.data());
        _exit(127);
    }
    close(fds[1]);
    std::string page;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        page.append(buf, (size_t)n);
    close(fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return {page, WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1};
}
