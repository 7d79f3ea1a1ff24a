<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Kestal</name>
    <message><source>Orvane-Monitor</source><translation>Orvane 辐射监测系统</translation></message>
    <message><source>The program is running.</source><translation>程序正在运行。</translation></message>
    <message><source>Do you want to exit?</source><translation>确定要退出吗？</translation></message>
    <message><source>Close</source><translation>关闭</translation></message>
    <message><source>Cancel</source><translation>取消</translation></message>
    <message><source>Set successed</source><translation>设置成功</translation></message>
    <message><source>Set failed</source><translation>设置失败</translation></message>
    <message><source>connected!</source><translation>已连接！</translation></message>
</context>
<context>
    <name>RFormStatus</name>
    <message><source>Frame</source><translation>状态栏</translation></message>
    <message><source>IoT_Cloud:</source><translation>物联网云：</translation></message>
    <message><source>IoT_Cloud_2:</source><translation>物联网云2：</translation></message>
    <message><source>Message</source><translation>消息</translation></message>
    <message><source>Connecting to the host...</source><translation>正在连接主机...</translation></message>
    <message><source>Connected !</source><translation>已连接！</translation></message>
</context>
<context>
    <name>RFormAbout</name>
    <message><source>Form</source><translation>关于</translation></message>
    <message><source>Orvane-Monitor is the client of the radiation monitoring installation. It receives the readings of the fixed area monitors and of the patrol dosimeters from the data server, stores them, shows the dose rate of every monitored room in real time, raises alarms and keeps the history of every region and staff member.</source><translation>Orvane 辐射监测系统是辐射监测装置的客户端。它从数据服务器接收固定区域监测仪和巡检剂量计的读数并加以存储，实时显示每个监测房间的剂量率，发出报警，并保存每个区域和每位人员的历史记录。</translation></message>
    <message><source>Revision:XX</source><translation>版本：XX</translation></message>
</context>
<context>
    <name>RRegionPic</name>
    <message><source>Regional figure</source><translation>区域图</translation></message>
    <message><source>The first layer</source><translation>第一层</translation></message>
    <message><source>The second  layer</source><translation>第二层</translation></message>
    <message><source>The third  layer</source><translation>第三层</translation></message>
    <message><source>The fourth layer</source><translation>第四层</translation></message>
</context>
<context>
    <name>RFormRegion</name>
    <message><source>Site plan</source><translation>平面图</translation></message>
</context>
</TS>
